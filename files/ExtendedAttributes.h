#pragma once
#include <QString>

// Gives the open file `to` exactly the extended attributes of the file
// `from`: user notes, the POSIX ACL (system.posix_acl_access), security
// labels; attributes that `from` lacks are taken away. 0, or the error of the
// first attribute that could not be read, set or taken away.
int CopyExtendedAttributes(const QString& from, int to);
