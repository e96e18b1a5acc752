#include "discseek/library_folder.h"

#include <QDir>
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
        const QString file = fileNamed(QString::fromLatin1(library));
        const QByteArray path = QFile::encodeName(folder_ + u'/' + file);
        found = handles_.insert(library, file.isEmpty() ? nullptr : dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL));
    }
    return *found ? dlsym(*found, name) : nullptr;
}

QString LibraryFolder::fileNamed(const QString& name) const
{
    // Copied from a CD, a library's name may come in any letter case: the exact name first,
    // else the first of the names that match without regard to case.
    const QDir folder(folder_);
    if (folder.exists(name))
        return name;
    QStringList matches;
    for (const QString& entry : folder.entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            matches.append(entry);
    }
    return matches.isEmpty() ? QString() : matches.first();
}

} // namespace discseek
