#pragma once

#include <QByteArray>
#include <QString>

namespace varnel {

// SHA-256 of a downloaded package as 64 lower-case hexadecimal digits. The
// platform's accelerated implementation does the work (CommonCrypto on
// macOS, OpenSSL's libcrypto where the build found it, Qt's otherwise): a
// 200 MB package is checked twice per install.
class Sha256 {
public:
    static QString hexDigest(const QByteArray& bytes);
};

}  // namespace varnel
