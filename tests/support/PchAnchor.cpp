// The one source of the libraries whose precompiled headers the tests reuse; it compiles to
// nothing of its own.
