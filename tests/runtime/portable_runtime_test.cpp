// A library with the C++ runtime linked in and the C library's functions in
// their oldest versions works inside a program with its own C++ runtime.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(PortableRuntime, ExceptionsThreadsFilesRandomAndTheLoaderWorkInTheLibrary) {
    void* library = ::dlopen(RUNTIME_PROBE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    auto probe = reinterpret_cast<int (*)(const char*)>(::dlsym(library, "runtime_probe"));
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe(RUNTIME_PROBE), 63);
    // The program's own runtime is untouched by the library's.
    EXPECT_THROW(throw std::logic_error("program"), std::logic_error);
    // None of the runtime inside the library is exported, nor does it need
    // the shared one.
    EXPECT_EQ(::dlsym(library, "__cxa_throw"), nullptr);
    EXPECT_EQ(::dlsym(library, "_ZSt9terminatev"), nullptr);
}

}  // namespace
