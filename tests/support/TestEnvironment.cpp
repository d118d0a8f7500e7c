// Compiled into every test program: before main, point everything a test could touch at
// scratch places (settings, drive map, display, runtime folder, sound server), whoever starts the program
// — CTest or a developer's shell. The sanitizers read their defaults from the hooks below.
#include <cstdlib>

#include <dlfcn.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BVR_LEAK_CHECKED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BVR_LEAK_CHECKED 1
#endif

namespace {

struct TestEnvironment {
    TestEnvironment() {
        static const char* const kVars[][2] = {
            {"QT_QPA_PLATFORM", "offscreen"},
            {"XDG_RUNTIME_DIR", BVR_TEST_XDG_RUNTIME},
            {"BREVANT_REGISTRY_DIR", BVR_TEST_TMP_DIR "/registry"},
            {"BREVANT_DRIVE_MAP", BVR_TEST_TMP_DIR "/drives.map"},
            {"BVR_TEST_TMP", BVR_TEST_TMP_DIR},
            {"BVR_SOURCE_DIR", BVR_TEST_SOURCE_DIR},
            // No test reaches the sound server of the session it runs in; those that need one
            // start their own (SoundServer.h).
            {"PULSE_SERVER", "unix:" BVR_TEST_XDG_RUNTIME "/no-sound-server"},
        };
        for (const auto& v : kVars) setenv(v[0], v[1], 1);
#ifdef BVR_LEAK_CHECKED
        // ALSA's AC-3 encoder plugin, which PortAudio opens while it lists the devices, keeps
        // allocations from each open and is unloaded again: kept loaded, the leak checker
        // can name it (see the suppressions below).
        dlopen("/usr/lib/x86_64-linux-gnu/alsa-lib/libasound_module_pcm_a52.so", RTLD_NOW | RTLD_NODELETE);
#endif
    }
};

const TestEnvironment kEnvironment;

} // namespace

extern "C" __attribute__((weak)) const char* __asan_default_options() { return "detect_leaks=1:abort_on_error=1"; }
extern "C" __attribute__((weak)) const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
// What system libraries keep for the life of the process on purpose.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libasound_module_pcm_a52.so\n";
}
