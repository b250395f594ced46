#include "gui/gui_simpelrenderer.h"

#include <gtest/gtest.h>

namespace {

TEST(Verlauf, AlleArten) {
    const struct {
        uint32_t art;
        float bei0, beiHalb, bei1;
    } faelle[] = {
        {0, 0, 0.5f, 1},        {1, 1, 0.5f, 0},  {2, 0, 0.25f, 1}, {3, 1, 0.75f, 0}, {4, 0, 0.70710678f, 1},
        {5, 1, 0.29289322f, 0}, {6, 0, 0.5f, 1},  {7, 1, 0.5f, 0},  {8, 0, 0.5f, 1},  {9, 1, 0.5f, 0},
        {10, 0, 0.5f, 1},       {11, 1, 0.5f, 0}, {12, 0, 1, 0},    {13, 0, 0, 1},    {14, 1, 1, 0},
        {15, 0, 0.5f, 0},       {16, 1, 0.5f, 1}, {17, 1, 1, 1},    {1000, 1, 1, 1},
    };
    for (const auto& fall : faelle) {
        EXPECT_NEAR(Gui::SimpelRenderer::Verlauf(0, fall.art), fall.bei0, 1e-6f) << fall.art;
        EXPECT_NEAR(Gui::SimpelRenderer::Verlauf(0.5f, fall.art), fall.beiHalb, 1e-6f) << fall.art;
        EXPECT_NEAR(Gui::SimpelRenderer::Verlauf(1, fall.art), fall.bei1, 1e-6f) << fall.art;
    }
    EXPECT_EQ(Gui::SimpelRenderer::Verlauf(2, 2), 4) << "not clamped";
}

} // namespace
