#pragma once
// The CRC-32 of PNG chunks (polynomial 0xEDB88320). The PNG reader and writer themselves are
// members of `Velm_Bild`.

#include <cstdint>

// The 256-entry table, built on first use.
const uint32_t* Velm_Crc32Tabelle();
// The running register over a block, without the final inversion: start from all ones and feed
// the result back in for the next block. An empty block returns `crc` unchanged.
uint32_t Velm_Crc32Fortsetzen(const uint8_t* daten, int64_t laenge, uint32_t crc = 0xFFFFFFFF);
// The finished CRC of one block; 0 for an empty block.
uint32_t Velm_Crc32(const uint8_t* daten, int64_t laenge);
