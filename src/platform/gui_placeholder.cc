// Keeps the library non-empty before any desktop source exists.
