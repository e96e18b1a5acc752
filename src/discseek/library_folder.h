#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace discseek {

// The callbook libraries in the program's folder, found without regard to letter case, each
// loaded on its first call and kept until the end.
class LibraryFolder {
public:
    explicit LibraryFolder(QString folder) : folder_(std::move(folder)) {}
    ~LibraryFolder();
    LibraryFolder(const LibraryFolder&) = delete;
    LibraryFolder& operator=(const LibraryFolder&) = delete;

    // The named call of the named library, or null when either is missing.
    template <typename Call>
    Call call(const char* library, const char* name)
    {
        return reinterpret_cast<Call>(symbol(library, name));
    }

private:
    void* symbol(const char* library, const char* name);
    // The file in the folder that `name` names, letter case aside; empty when there is none.
    QString fileNamed(const QString& name) const;

    QString folder_;
    QHash<QByteArray, void*> handles_;
};

} // namespace discseek
