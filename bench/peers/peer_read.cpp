// Reading a file without hashing it: the floor the checksums are measured against. Each way
// loads every byte into the CPU's caches, and the sum of one byte per cache line comes out so
// that nothing is left out:
//   read65536, read262144  read calls of that size into one buffer (the peers read 64 KiB)
//   map                    a read-only mapping, 4 MiB at a time with its page tables filled
//                          in one call, every cache line of it loaded
// Called as peer_read WAY FILE.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

uint64_t Touch(const unsigned char* p, size_t n) {
    uint64_t sum = 0;
    for (size_t i = 0; i < n; i += 64)
        sum += p[i];
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s read65536|read262144|map FILE\n", argv[0]);
        return 2;
    }
    const std::string way = argv[1];
    const int fd = ::open(argv[2], O_RDONLY);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return 1;
    const uint64_t size = uint64_t(st.st_size);
    uint64_t sum = 0;
    if (way == "map") {
        constexpr uint64_t kWindow = 4 << 20;
        for (uint64_t at = 0; at < size; at += kWindow) {
            const size_t n = size_t(size - at < kWindow ? size - at : kWindow);
            void* p = ::mmap(nullptr, n, PROT_READ, MAP_SHARED, fd, off_t(at));
            if (p == MAP_FAILED) return 1;
            ::madvise(p, n, MADV_SEQUENTIAL);
            ::madvise(p, n, 22);  // MADV_POPULATE_READ
            sum += Touch(static_cast<const unsigned char*>(p), n);
            ::munmap(p, n);
        }
    } else if (way == "read65536" || way == "read262144") {
        std::vector<unsigned char> buf(std::stoul(way.substr(4)));
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        for (;;) {
            const ssize_t n = ::read(fd, buf.data(), buf.size());
            if (n < 0) return 1;
            if (n == 0) break;
            sum += Touch(buf.data(), size_t(n));
        }
    } else {
        return 2;
    }
    ::close(fd);
    std::printf("%016llx\n", static_cast<unsigned long long>(sum));
    return 0;
}
