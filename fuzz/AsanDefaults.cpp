// The AddressSanitizer settings every fuzz target starts from; ASAN_OPTIONS
// given at run time still override them.
//
// AddressSanitizer keeps freed blocks in a quarantine, 256 MB by default, so
// that a use after free is caught. A fuzz target frees what an input
// allocated before the next input starts, so at thousands of inputs a second
// the default quarantine only swells the resident memory to 500-900 MB
// before it levels off; 64 MB still holds the blocks of thousands of inputs.
extern "C" __attribute__((used, visibility("default"))) const char *__asan_default_options()
{
    return "quarantine_size_mb=64";
}
