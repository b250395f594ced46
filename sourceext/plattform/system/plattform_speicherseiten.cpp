#include "plattform/system/plattform_speicherseiten.h"

#include <sys/mman.h>
#include <unistd.h>

namespace Plattform {

size_t SeitenGroesse() {
    static const size_t groesse = size_t(sysconf(_SC_PAGESIZE));
    return groesse;
}

void* ReserviereSeiten(size_t bytes) {
    void* anfang = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return anfang == MAP_FAILED ? nullptr : anfang;
}

bool SperreSeiten(void* anfang, size_t bytes) {
    return mprotect(anfang, bytes, PROT_NONE) == 0;
}

void GibSeitenFrei(void* anfang, size_t bytes) {
    munmap(anfang, bytes);
}

} // namespace Plattform
