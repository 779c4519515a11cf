// Replaced by the compiler.
