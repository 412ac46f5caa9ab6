// Linked into the GUI test programs only: leak detection stays on, with the suppressions of
// tests/lsan.supp for the caches Qt and fontconfig keep for the life of the process (they are
// not ours and are never given back before exit). A leak of our own code still fails the test.
extern "C" const char* __lsan_default_options();
extern "C" const char* __lsan_default_options() { return "suppressions=" TRASSEL_LSAN_SUPPRESSIONS; }
