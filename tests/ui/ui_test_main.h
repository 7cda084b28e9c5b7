// main() for the window tests: the application is set up as the program sets it up.
#pragma once

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "Application.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) && !defined(__SANITIZE_ADDRESS__)
#define __SANITIZE_ADDRESS__ 1
#endif
#endif

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <cstring>

// AddressSanitizer checks the size that a sized delete is given against the allocation's. Qt
// WebEngine gives a wrong one in places inside libQt6WebEngineCore, which is not built here,
// and the sanitizers of this system cannot suppress that report by library. So a sized delete
// called from that library goes to the unsized delete, and every other one to the sanitizer's,
// which checks it.
inline bool CalledFromWebEngine(const void* Caller) {
    struct TRange {
        uintptr_t Start = 0, End = 0;
    };
    static const TRange Library = [] {
        TRange Found;
        dl_iterate_phdr(
            [](dl_phdr_info* Info, size_t, void* Data) {
                if (!Info->dlpi_name || !std::strstr(Info->dlpi_name, "libQt6WebEngineCore"))
                    return 0;
                auto* Range = static_cast<TRange*>(Data);
                for (int I = 0; I < Info->dlpi_phnum; ++I) {
                    const ElfW(Phdr)& Segment = Info->dlpi_phdr[I];
                    if (Segment.p_type != PT_LOAD) continue;
                    const uintptr_t Start = Info->dlpi_addr + Segment.p_vaddr;
                    if (!Range->Start || Start < Range->Start) Range->Start = Start;
                    if (Start + Segment.p_memsz > Range->End) Range->End = Start + Segment.p_memsz;
                }
                return 1;
            },
            &Found);
        return Found;
    }();
    const auto Address = reinterpret_cast<uintptr_t>(Caller);
    return Address >= Library.Start && Address < Library.End;
}

void operator delete(void* Pointer) noexcept {
    using TDelete = void (*)(void*);
    static const auto Sanitizers = reinterpret_cast<TDelete>(dlsym(RTLD_NEXT, "_ZdlPv"));
    Sanitizers(Pointer);
}

void operator delete(void* Pointer, std::size_t Size) noexcept {
    using TSizedDelete = void (*)(void*, std::size_t);
    static const auto Checked = reinterpret_cast<TSizedDelete>(dlsym(RTLD_NEXT, "_ZdlPvm"));
    if (CalledFromWebEngine(__builtin_return_address(0)))
        ::operator delete(Pointer);
    else
        Checked(Pointer, Size);
}
#endif

#define QUERNIX_UI_TEST_MAIN(TestObject)                                                    \
    int main(int argc, char** argv) {                                                       \
        PrepareBrowserEnvironment();                                                        \
        TApplication Application(argc, argv);                                               \
        Application.setQuitOnLastWindowClosed(false);                                       \
        /* The window's settings start empty. */                                            \
        QTemporaryDir Settings;                                                             \
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path()); \
        TestObject Test;                                                                    \
        QTEST_SET_MAIN_SOURCE_PATH                                                          \
        return QTest::qExec(&Test, argc, argv);                                             \
    }
