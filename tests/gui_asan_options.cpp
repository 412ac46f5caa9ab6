// Linked into the GUI test programs only: Qt and fontconfig keep caches for the life of the
// process that the leak checker would report; they are not ours. The core tests keep it on.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
