// On the desktop, names on disk are UTF-8: a path of the program is
// converted from 936 on its way to the file system. A path that is not 936
// text names nothing, rather than a file whose name has '?' in it.
#include "platform/posix/text_posix.h"

bool posix::DiskName(const char* path, std::string* name)
{
    bool fits = true;
    *name = posix::Utf8From936(path, &fits);
    return fits;
}
