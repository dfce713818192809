// The AddressSanitizer settings every fuzz target starts from; ASAN_OPTIONS
// given at run time still override them.
//
// A long run must keep its memory flat, and two of the defaults do not:
// - Freed blocks wait in a quarantine, 256 MB by default, so that a use after
//   free is caught. A fuzz target frees what an input allocated before the
//   next input starts, so the full quarantine only swells the resident memory
//   to 500-900 MB; 64 MB still holds the blocks of thousands of inputs.
// - Each allocation's call stack is kept once per distinct stack, 30 frames
//   deep. Qt's own library has no frame pointers, so the frames beyond the
//   second of an allocation inside Qt are read from whatever the register
//   holds: nearly every such allocation leaves a new stack, and the store
//   grew by about 6 stacks an input, some 2 GB an hour. Two frames keep it
//   at a few hundred stacks. Errors are still caught and their own stack is
//   whole; to see deeper allocation stacks, rerun the input with
//   ASAN_OPTIONS=malloc_context_size=30.
extern "C" __attribute__((used, visibility("default"))) const char *__asan_default_options()
{
    return "quarantine_size_mb=64:malloc_context_size=2";
}
