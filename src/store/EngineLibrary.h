#pragma once

// The linked SQLite library under PhoneDB. The store calls it on the driver's handle (its own
// LOWER, RawStatement), which is sound only when the driver runs that same library; OpenPhoneDB
// makes sure it does before anything else touches the handle.

// Watches the connections the linked engine opens for as long as it lives. The engine calls
// its automatic extensions for every connection it opens, whoever asks for it.
class OpenWatch {
public:
    OpenWatch();
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;
};

// Throws DbError, with PhoneDB closed again, when the driver's engine is not the linked library
// (EngineLibraryMismatch): a copy of its own, even of the same version, keeps its own memory and
// locks. Run on the connection an OpenWatch saw opened, before anything of the linked library
// touches its handle.
void CheckEngineLibrary();
// Puts the program's own LOWER() on PhoneDB; throws DbError when the engine refuses it.
void RegisterEngineFunctions();
