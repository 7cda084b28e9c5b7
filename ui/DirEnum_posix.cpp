// Folder enumeration, the folder test and file sizes on POSIX systems.
#include <dirent.h>
#include <sys/stat.h>

#include <QFile>

#include "DirEnum.h"

namespace {

class TPosixDirEnumeration : public TDirEnumeration {
public:
    TPosixDirEnumeration(DIR* Handle, const QByteArray& Dir) : FHandle(Handle), FDir(Dir) {}
    ~TPosixDirEnumeration() override { ::closedir(FHandle); }

    bool Next(TDirEntry& Entry) override {
        const dirent* Item = ::readdir(FHandle);
        if (!Item) return false;
        Entry.Name = QByteArray(Item->d_name);
        Entry.Kind = KindOf(Item);
        return true;
    }

private:
    TDirEntry::TKind KindOf(const dirent* Item) const {
        unsigned char Type = Item->d_type;
        if (Type == DT_DIR) return TDirEntry::Directory;
        if (Type != DT_LNK && Type != DT_UNKNOWN) return TDirEntry::File;
        struct stat Info;
        const QByteArray Path = FDir + Item->d_name;
        if (Type == DT_UNKNOWN) {
            if (::lstat(Path.constData(), &Info) != 0) return TDirEntry::File;
            if (S_ISDIR(Info.st_mode)) return TDirEntry::Directory;
            if (!S_ISLNK(Info.st_mode)) return TDirEntry::File;
        }
        // A link: what it points to decides; a dangling link counts as a file.
        if (::stat(Path.constData(), &Info) == 0 && S_ISDIR(Info.st_mode))
            return TDirEntry::DirectoryLink;
        return TDirEntry::File;
    }

    DIR* FHandle;
    QByteArray FDir;
};

}  // namespace

std::unique_ptr<TDirEnumeration> OpenDirEnumeration(const QByteArray& Dir) {
    DIR* Handle = ::opendir(Dir.constData());
    if (!Handle) return nullptr;
    return std::make_unique<TPosixDirEnumeration>(Handle, Dir);
}

QByteArray ExistingPathBytes(const QString& Path) {
    const QByteArray Encoded = QFile::encodeName(Path);
    struct stat Info;
    if (!Path.contains(QChar::ReplacementCharacter) || ::lstat(Encoded.constData(), &Info) == 0)
        return Encoded;
    const qsizetype Slash = Path.lastIndexOf(u'/');
    if (Slash < 0) return Encoded;
    QByteArray Dir = Slash == 0 ? QByteArray("/") : ExistingPathBytes(Path.left(Slash));
    if (!Dir.endsWith('/')) Dir += '/';
    const QString Name = Path.mid(Slash + 1);
    DIR* Handle = ::opendir(Dir.constData());
    if (!Handle) return Encoded;
    QByteArray Found;
    int Matches = 0;
    while (const dirent* Item = ::readdir(Handle)) {
        if (QFile::decodeName(Item->d_name) != Name) continue;
        Found = Item->d_name;
        ++Matches;
    }
    ::closedir(Handle);
    return Matches == 1 ? Dir + Found : Encoded;
}

bool FolderExists(const QByteArray& Path) {
    struct stat Info;
    return ::stat(Path.constData(), &Info) == 0 && S_ISDIR(Info.st_mode);
}

int64_t RegularFileSize(const QByteArray& Path) {
    struct stat Info;
    if (::stat(Path.constData(), &Info) != 0 || !S_ISREG(Info.st_mode)) return 0;
    return int64_t(Info.st_size);
}
