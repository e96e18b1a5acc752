#include "discseek/library_folder.h"

#include <QFile>

#include <dlfcn.h>

namespace discseek {

LibraryFolder::~LibraryFolder()
{
    for (void* handle : std::as_const(handles_)) {
        if (handle)
            dlclose(handle);
    }
}

void* LibraryFolder::symbol(const char* library, const char* name)
{
    auto found = handles_.find(library);
    if (found == handles_.end()) {
        // Only the copy beside the program: never one found along a search path.
        const QByteArray path = QFile::encodeName(folder_ + u'/' + QString::fromLatin1(library));
        found = handles_.insert(library, dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL));
    }
    return *found ? dlsym(*found, name) : nullptr;
}

} // namespace discseek
