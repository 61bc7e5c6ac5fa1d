// How the POSIX file system names things, and the code page 936 rules of
// the program's strings there.
#include <limits.h>
#include <sys/vfs.h>

#include <string>

#include "platform/cstring.h"
#include "platform/path_rules.h"
#include "platform/posix/text_posix.h"

namespace {

// The length of a UTF-8 name in UTF-16 code units: one for each character,
// two for one beyond the Basic Multilingual Plane.
size_t Utf16Length(const std::string& name)
{
    size_t units = 0;
    for (unsigned char c : name) {
        if ((c & 0xC0) != 0x80)
            ++units;
        if (c >= 0xF0)
            ++units;
    }
    return units;
}

// File systems whose limit counts UTF-16 code units, not bytes: FAT, exFAT
// and NTFS keep names as UTF-16, and FUSE and network shares may (exfat-fuse,
// ntfs-3g, a Windows share). There a name of long Chinese characters that is
// over the limit in bytes may still fit; counting bytes would refuse it.
bool CountsUtf16(const struct statfs& info)
{
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x4d44:      // MSDOS_SUPER_MAGIC: FAT
    case 0x2011BAB0:  // EXFAT_SUPER_MAGIC
    case 0x5346544e:  // NTFS_SB_MAGIC
    case 0x7366746e:  // NTFS3_SUPER_MAGIC
    case 0x65735546:  // FUSE_SUPER_MAGIC
    case 0xFF534D42:  // CIFS_SUPER_MAGIC
    case 0xFE534D42:  // SMB2_SUPER_MAGIC
        return true;
    default:
        return false;
    }
}

}  // namespace

bool AfxIsLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

// POSIX paths are bytes: '/' separates wherever it stands, even after a
// byte that would lead a double-byte character.
int AfxLastPathSeparator(const CString& path)
{
    size_t at = path.Str().rfind('/');
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

bool AfxFileNamesAreCaseSensitive()
{
    return true;
}

bool AfxNameFitsFolder(const CString& path)
{
    std::string name;
    if (!posix::DiskName(path, &name))
        return true;  // the file functions refuse it with the path's own failure
    if (name.size() >= PATH_MAX)
        return false;
    std::string folder = posix::FolderOf(name);
    std::string last = name.substr(name.rfind('/') + 1);  // npos + 1 is 0
    // f_namelen is what pathconf(_PC_NAME_MAX) answers, read with the type.
    struct statfs info;
    if (::statfs(folder.c_str(), &info) != 0)
        return true;  // no such folder: creating the file there fails as it is
    size_t length = CountsUtf16(info) ? Utf16Length(last) : last.size();
    return length <= static_cast<size_t>(info.f_namelen);
}
