#include "engine/remediation/Sha256.h"

#if defined(__APPLE__)
#include <CommonCrypto/CommonDigest.h>

#include <algorithm>
#elif defined(VARNEL_HAVE_LIBCRYPTO)
#include <openssl/evp.h>
#else
#include <QCryptographicHash>
#endif

namespace varnel {

QString Sha256::hexDigest(const QByteArray& bytes)
{
#if defined(__APPLE__)
    QByteArray digest(CC_SHA256_DIGEST_LENGTH, Qt::Uninitialized);
    CC_SHA256_CTX context;
    CC_SHA256_Init(&context);
    // CC_LONG is 32 bits: feed large files in pieces.
    constexpr qsizetype kPiece = 1 << 30;
    for (qsizetype done = 0; done < bytes.size(); done += kPiece)
        CC_SHA256_Update(&context, bytes.constData() + done, static_cast<CC_LONG>(std::min(kPiece, bytes.size() - done)));
    CC_SHA256_Final(reinterpret_cast<unsigned char*>(digest.data()), &context);
#elif defined(VARNEL_HAVE_LIBCRYPTO)
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (EVP_Digest(bytes.constData(), static_cast<size_t>(bytes.size()), reinterpret_cast<unsigned char*>(digest.data()),
                   &length, EVP_sha256(), nullptr) != 1)
        return {};
    digest.truncate(static_cast<qsizetype>(length));
#else
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
#endif
    return QString::fromLatin1(digest.toHex());
}

}  // namespace varnel
