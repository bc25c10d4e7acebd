#include "signin/UpdateChecks.h"

#include "core/Errors.h"
#include "signin/ReleaseKey.h"

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QtEndian>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace zev {

namespace {

QByteArray& publicKey() {
    static QByteArray key = QByteArray(kReleasePublicKeyPem);
    return key;
}

struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct MdContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyDeleter>;
using Bio = std::unique_ptr<BIO, BioDeleter>;
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;

Bio memoryBio(const QByteArray& bytes) {
    return Bio(BIO_new_mem_buf(bytes.constData(), static_cast<int>(bytes.size())));
}

Pkey ed25519Key(const QByteArray& pem, bool privateKey) {
    Bio bio = memoryBio(pem);
    if (!bio) {
        return {};
    }
    Pkey key(privateKey ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr)
                        : PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (key && EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) {
        key.reset();
    }
    return key;
}

// What an executable of this build looks like.
#if defined(Q_OS_WIN)
#if defined(Q_PROCESSOR_X86_64)
constexpr quint16 kPeMachine = 0x8664;
#elif defined(Q_PROCESSOR_ARM_64)
constexpr quint16 kPeMachine = 0xAA64;
#else
constexpr quint16 kPeMachine = 0x014C;
#endif
#else
#if defined(Q_PROCESSOR_X86_64)
constexpr quint16 kElfMachine = 62;
#elif defined(Q_PROCESSOR_ARM_64)
constexpr quint16 kElfMachine = 183;
#elif defined(Q_PROCESSOR_X86_32)
constexpr quint16 kElfMachine = 3;
#elif defined(Q_PROCESSOR_ARM_32)
constexpr quint16 kElfMachine = 40;
#else
constexpr quint16 kElfMachine = 0;  // unknown here: no ELF file passes
#endif
constexpr char kElfClass = QT_POINTER_SIZE == 8 ? 2 : 1;
constexpr char kElfData = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 1 : 2;
#endif

}  // namespace

QByteArray ReleasePublicKey() {
    return publicKey();
}

void setReleasePublicKey(const QByteArray& pem) {
    publicKey() = pem;
}

bool isExecutableOfThisPlatform(const QByteArray& program) {
#if defined(Q_OS_WIN)
    // DOS header "MZ", the PE header's offset at 0x3C, there "PE\0\0" and the machine type.
    if (program.size() < 0x40 || !program.startsWith("MZ")) {
        return false;
    }
    const quint32 peOffset = qFromLittleEndian<quint32>(program.constData() + 0x3C);
    if (peOffset > static_cast<quint32>(program.size()) - 6) {
        return false;
    }
    return program.mid(peOffset, 4) == QByteArray("PE\0\0", 4) &&
           qFromLittleEndian<quint16>(program.constData() + peOffset + 4) == kPeMachine;
#else
    // e_ident: magic, class, byte order, version; e_type (executable or position-independent)
    // and e_machine follow it.
    if (program.size() < 20 || !program.startsWith("\x7f"
                                                   "ELF")) {
        return false;
    }
    if (program[4] != kElfClass || program[5] != kElfData || program[6] != 1) {
        return false;
    }
    const auto field = [&](int offset) {
        return kElfData == 1 ? qFromLittleEndian<quint16>(program.constData() + offset)
                             : qFromBigEndian<quint16>(program.constData() + offset);
    };
    const quint16 type = field(16);
    return (type == 2 || type == 3) && kElfMachine != 0 && field(18) == kElfMachine;
#endif
}

QByteArray publishedSha256(const QByteArray& checksumFile) {
    const QList<QByteArray> words = checksumFile.simplified().split(' ');
    QByteArray hash = words.isEmpty() ? QByteArray() : words.first().toLower();
    if (hash.size() != 64) {
        return {};
    }
    for (char c : hash) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return {};
        }
    }
    return hash;
}

std::optional<UpdateCheckFailure> checkUpdate(const QByteArray& program,
                                              const QByteArray& checksumFile,
                                              const QByteArray& signature,
                                              const QByteArray& publicKeyPem) {
    if (program.isEmpty()) {
        return UpdateCheckFailure{UpdateCheck::Size,
                                  QStringLiteral("загруженный файл программы пуст")};
    }
    if (!isExecutableOfThisPlatform(program)) {
        return UpdateCheckFailure{
            UpdateCheck::Format,
            QStringLiteral("загруженный файл не является программой для этого компьютера")};
    }
    const QByteArray published = publishedSha256(checksumFile);
    if (published.isEmpty()) {
        return UpdateCheckFailure{UpdateCheck::Checksum,
                                  QStringLiteral("контрольная сумма SHA-256 не опубликована")};
    }
    if (QCryptographicHash::hash(program, QCryptographicHash::Sha256).toHex() != published) {
        return UpdateCheckFailure{
            UpdateCheck::Checksum,
            QStringLiteral("контрольная сумма SHA-256 файла не совпадает с опубликованной")};
    }
    if (!publicKeyPem.isEmpty() && !verifyEd25519(publicKeyPem, program, signature)) {
        return UpdateCheckFailure{UpdateCheck::Signature,
                                  QStringLiteral("подпись файла неверна или отсутствует")};
    }
    return std::nullopt;
}

QByteArray signEd25519(const QByteArray& privateKeyPem, const QByteArray& data) {
    const Pkey key = ed25519Key(privateKeyPem, true);
    if (!key) {
        throw Error(
            QStringLiteral("Ключ подписи не является закрытым ключом Ed25519 в формате PEM."));
    }
    MdContext context(EVP_MD_CTX_new());
    QByteArray signature(64, '\0');
    auto length = static_cast<size_t>(signature.size());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(data.constData()),
                       static_cast<size_t>(data.size())) != 1) {
        throw Error(QStringLiteral("Не удалось подписать файл."));
    }
    signature.resize(static_cast<qsizetype>(length));
    return signature;
}

bool verifyEd25519(const QByteArray& publicKeyPem, const QByteArray& data,
                   const QByteArray& signature) {
    if (signature.size() != 64) {
        return false;
    }
    const Pkey key = ed25519Key(publicKeyPem, false);
    MdContext context(EVP_MD_CTX_new());
    if (!key || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(context.get(),
                            reinterpret_cast<const unsigned char*>(signature.constData()),
                            static_cast<size_t>(signature.size()),
                            reinterpret_cast<const unsigned char*>(data.constData()),
                            static_cast<size_t>(data.size())) == 1;
}

QByteArray sha256Line(const QByteArray& data, const QString& fileName) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex() + "  " +
           fileName.toUtf8() + '\n';
}

}  // namespace zev
