// The C library functions the plug-in library (with the C++ runtime linked
// in) would take in versions newer than GLIBC_2.28, the C library of the
// oldest distributions the host runs on. The library is linked with --wrap
// for each of them (cmake/VelmoPortableRuntime.cmake), so every call, the C++
// runtime's included, lands here and goes on to the oldest version of the
// function, or to an equivalent that old C libraries have.
#include <dlfcn.h>
#include <link.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

extern "C" {

// The same functions under their x86-64 base version (GLIBC_2.2.5): in
// libdl and libpthread before glibc 2.34, kept there for compatibility since.
void* velmo_glibc_dlopen(const char*, int);
void* velmo_glibc_dlsym(void*, const char*);
int velmo_glibc_dladdr(const void*, Dl_info*);
int velmo_glibc_dlclose(void*);
int velmo_glibc_pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
int velmo_glibc_pthread_detach(pthread_t);
int velmo_glibc_pthread_join(pthread_t, void**);
int velmo_glibc_pthread_key_create(pthread_key_t*, void (*)(void*));
int velmo_glibc_pthread_key_delete(pthread_key_t);
void* velmo_glibc_pthread_getspecific(pthread_key_t);
int velmo_glibc_pthread_setspecific(pthread_key_t, const void*);
int velmo_glibc_pthread_once(pthread_once_t*, void (*)());
// stat, lstat and fstat were inline calls of these before glibc 2.33.
int velmo_glibc_xstat(int, const char*, struct stat*);
int velmo_glibc_lxstat(int, const char*, struct stat*);
int velmo_glibc_fxstat(int, int, struct stat*);
}
__asm__(".symver velmo_glibc_dlopen,dlopen@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_dlsym,dlsym@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_dladdr,dladdr@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_dlclose,dlclose@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_create,pthread_create@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_detach,pthread_detach@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_join,pthread_join@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_key_create,pthread_key_create@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_key_delete,pthread_key_delete@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_getspecific,pthread_getspecific@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_setspecific,pthread_setspecific@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_pthread_once,pthread_once@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_xstat,__xstat@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_lxstat,__lxstat@GLIBC_2.2.5");
__asm__(".symver velmo_glibc_fxstat,__fxstat@GLIBC_2.2.5");

namespace {

// The kernel's stat layout version the old inline stat passed (x86-64).
constexpr int stat_layout_version = 1;

struct object_search {
    std::uintptr_t address;
    dl_find_object* found;
};

// Fills the object that holds `address` from its program headers.
int find_object(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<object_search*>(data);
    std::uintptr_t start = UINTPTR_MAX;
    std::uintptr_t end = 0;
    bool holds = false;
    void* eh_frame = nullptr;
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        const std::uintptr_t begin = info->dlpi_addr + header.p_vaddr;
        if (header.p_type == PT_LOAD) {
            if (begin < start) start = begin;
            if (begin + header.p_memsz > end) end = begin + header.p_memsz;
            if (search->address >= begin && search->address < begin + header.p_memsz) holds = true;
        } else if (header.p_type == PT_GNU_EH_FRAME) {
            eh_frame = reinterpret_cast<void*>(begin);
        }
    }
    if (!holds) return 0;
    search->found->dlfo_flags = 0;
    search->found->dlfo_map_start = reinterpret_cast<void*>(start);
    search->found->dlfo_map_end = reinterpret_cast<void*>(end);
    search->found->dlfo_link_map = nullptr;
    search->found->dlfo_eh_frame = eh_frame;
    return 1;
}

}  // namespace

extern "C" {

// Zero: the process may have threads, so the C++ runtime always takes its
// atomic paths (glibc 2.32 publishes the real flag).
char __libc_single_threaded = 0;

void* __wrap_dlopen(const char* file, int mode) { return velmo_glibc_dlopen(file, mode); }
void* __wrap_dlsym(void* handle, const char* name) { return velmo_glibc_dlsym(handle, name); }
int __wrap_dladdr(const void* address, Dl_info* info) { return velmo_glibc_dladdr(address, info); }
int __wrap_dlclose(void* handle) { return velmo_glibc_dlclose(handle); }

int __wrap_pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*run)(void*),
                          void* argument) {
    return velmo_glibc_pthread_create(thread, attributes, run, argument);
}
int __wrap_pthread_detach(pthread_t thread) { return velmo_glibc_pthread_detach(thread); }
int __wrap_pthread_join(pthread_t thread, void** result) {
    return velmo_glibc_pthread_join(thread, result);
}
int __wrap_pthread_key_create(pthread_key_t* key, void (*destroy)(void*)) {
    return velmo_glibc_pthread_key_create(key, destroy);
}
// The C++ runtime asks for this name to learn whether threads are available.
int __wrap___pthread_key_create(pthread_key_t* key, void (*destroy)(void*)) {
    return velmo_glibc_pthread_key_create(key, destroy);
}
int __wrap_pthread_key_delete(pthread_key_t key) { return velmo_glibc_pthread_key_delete(key); }
void* __wrap_pthread_getspecific(pthread_key_t key) { return velmo_glibc_pthread_getspecific(key); }
int __wrap_pthread_setspecific(pthread_key_t key, const void* value) {
    return velmo_glibc_pthread_setspecific(key, value);
}
int __wrap_pthread_once(pthread_once_t* once, void (*run)()) {
    return velmo_glibc_pthread_once(once, run);
}

int __wrap_stat(const char* path, struct stat* buffer) {
    return velmo_glibc_xstat(stat_layout_version, path, buffer);
}
int __wrap_lstat(const char* path, struct stat* buffer) {
    return velmo_glibc_lxstat(stat_layout_version, path, buffer);
}
int __wrap_fstat(int descriptor, struct stat* buffer) {
    return velmo_glibc_fxstat(stat_layout_version, descriptor, buffer);
}

// glibc 2.36; the C++ runtime's std::random_device uses it.
std::uint32_t __wrap_arc4random() {
    std::uint32_t value = 0;
    while (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value) &&
           errno == EINTR) {
    }
    return value;
}

// glibc 2.35; the unwinder uses it to find the unwind tables of the code an
// exception passes through. The same found from the loaded objects' headers.
int __wrap__dl_find_object(void* address, dl_find_object* result) {
    object_search search{reinterpret_cast<std::uintptr_t>(address), result};
    return dl_iterate_phdr(find_object, &search) ? 0 : -1;
}
}
