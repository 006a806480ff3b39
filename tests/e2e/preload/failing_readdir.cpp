// Preloaded into brelk by the listing tests (LD_PRELOAD): the listing of one
// directory breaks off with EIO after a given number of entries, as it does
// on a failing disk or, with ESTALE, on a network file system.
//
//   BRELK_TEST_BROKEN_LISTING  the directory whose listing breaks off
//   BRELK_TEST_ENTRIES_BEFORE  how many entries it yields first ("." and ".." count)
//
// Every other directory lists as it always does. A preloaded wrapper sees
// nothing but the calls themselves, so the stream being counted is the one
// piece of state it keeps; brelk lists each directory once, on one thread.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace {

DIR* counted_stream = nullptr;
unsigned long yielded = 0;

bool lists_the_broken_directory(DIR* stream) {
    const char* path = std::getenv("BRELK_TEST_BROKEN_LISTING");
    struct stat wanted {};
    struct stat listed {};
    if (path == nullptr || ::stat(path, &wanted) != 0 || ::fstat(::dirfd(stream), &listed) != 0) return false;
    return wanted.st_dev == listed.st_dev && wanted.st_ino == listed.st_ino;
}

unsigned long entries_before() {
    const char* text = std::getenv("BRELK_TEST_ENTRIES_BEFORE");
    return text != nullptr ? std::strtoul(text, nullptr, 10) : 0;
}

// Whether an entry the listing has ready is withheld, and the listing broken off.
bool breaks_here(DIR* stream) {
    if (!lists_the_broken_directory(stream)) return false;
    if (stream != counted_stream) {
        counted_stream = stream;
        yielded = 0;
    }
    if (yielded == entries_before()) return true;
    ++yielded;
    return false;
}

// A listing with no entry left ends as it always does, so a count of all its
// entries lists the directory whole.
template <class Entry>
Entry* next_entry(const char* name, DIR* stream) {
    using Readdir = Entry* (*)(DIR*);
    const auto real = reinterpret_cast<Readdir>(::dlsym(RTLD_NEXT, name));
    Entry* entry = real(stream);
    if (entry == nullptr || !breaks_here(stream)) return entry;
    errno = EIO;
    return nullptr;
}

}  // namespace

extern "C" {

dirent* readdir(DIR* stream) { return next_entry<dirent>("readdir", stream); }

dirent64* readdir64(DIR* stream) { return next_entry<dirent64>("readdir64", stream); }

int closedir(DIR* stream) {
    using Closedir = int (*)(DIR*);
    if (stream == counted_stream) counted_stream = nullptr;
    const auto real = reinterpret_cast<Closedir>(::dlsym(RTLD_NEXT, "closedir"));
    return real(stream);
}

}  // extern "C"
