// Start-up of the GL entry points, and the check that every one the program calls is there.
#pragma once

// Loads the entry points for the current context. Returns null on success, or a short
// description of the problem (a static string).
const char* glLoaderInit();

// The names of the GL entry points the program needs but the driver lacks, comma-separated, or
// null when every one is there. Call after glLoaderInit.
const char* glLoaderMissingEntryPoints();
