// Keeps the library non-empty until the engine lands.
