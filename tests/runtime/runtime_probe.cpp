// Uses each part of the C++ runtime whose C library calls go to their oldest
// versions: exceptions (the unwinder finds its tables), threads, call_once,
// thread-local objects, file status, random numbers and the loader.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

[[gnu::noinline]] int deep_throw(int depth) {
    if (depth == 0) throw std::runtime_error("deep");
    return deep_throw(depth - 1) + 1;
}

int caught(int depth) {
    try {
        return deep_throw(depth);
    } catch (const std::runtime_error& error) {
        return std::string(error.what()) == "deep" ? -1 : -2;
    }
}

thread_local std::string thread_name;

}  // namespace

// Which parts worked, one bit each; the test expects every bit.
extern "C" __attribute__((visibility("default"))) int runtime_probe(const char* path) {
    int worked = 0;
    if (caught(8) == -1) worked |= 1;
    int thread_result = 0;
    std::thread worker([&thread_result] {
        thread_name = "worker";
        thread_result = caught(3) == -1 && thread_name == "worker" ? 1 : 0;
    });
    worker.join();
    if (thread_result == 1 && thread_name.empty()) worked |= 2;
    static std::once_flag once;
    int calls = 0;
    for (int i = 0; i < 3; ++i) std::call_once(once, [&calls] { ++calls; });
    if (calls == 1) worked |= 4;
    struct stat by_path {};
    struct stat by_link {};
    struct stat by_descriptor {};
    const int descriptor = ::open(path, O_RDONLY);
    if (descriptor >= 0 && ::stat(path, &by_path) == 0 && ::lstat(path, &by_link) == 0 &&
        ::fstat(descriptor, &by_descriptor) == 0 && by_path.st_size > 0 &&
        by_path.st_ino == by_descriptor.st_ino && by_link.st_size == by_path.st_size)
        worked |= 8;
    if (descriptor >= 0) ::close(descriptor);
    std::random_device device;
    unsigned values = 0;
    for (int i = 0; i < 4; ++i) values |= device();
    if (values != 0) worked |= 16;
    // The library finds itself, as the plug-in finds the host's functions
    // among its own dependencies.
    Dl_info self{};
    void* handle = nullptr;
    if (::dladdr(reinterpret_cast<void*>(&runtime_probe), &self) && self.dli_fname)
        handle = ::dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    if (handle && ::dlsym(handle, "runtime_probe") == reinterpret_cast<void*>(&runtime_probe))
        worked |= 32;
    if (handle) ::dlclose(handle);
    return worked;
}
