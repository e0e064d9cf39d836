// Linked into the web-engine tests of a sanitizer build only; ASAN_OPTIONS and LSAN_OPTIONS from the
// environment still apply on top.
// - The web engine deletes some of its own objects through a pointer to a smaller base (inside
//   Chromium, no frame of ours), which AddressSanitizer reports as new-delete-type-mismatch.
// - It keeps its browser-process singletons and task-runner state to the end of the process. A
//   suppression matches any frame, so it is kept to these tests: elsewhere a leak of ours made in a
//   slot the engine calls would be hidden by it.
extern "C" const char *__asan_default_options()
{
    return "new_delete_type_mismatch=0";
}

extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore.so\n";
}
