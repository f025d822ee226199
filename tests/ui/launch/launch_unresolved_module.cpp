// A window module for the launcher's tests that needs a function no library gives: it
// must be refused when opened, never run.
extern "C" int tunelet_test_nowhere();

extern "C" __attribute__((visibility("default"))) int launch_probe_main(int, char **,
                                                                        const void *) {
    return tunelet_test_nowhere();
}
