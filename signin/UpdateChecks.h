#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zev {

// The checks a downloaded successor passes before anything of the installed program is touched.
// The publisher puts two files beside the program file on the update server (zev-publish-update
// writes them):
//   <file>.sha256  the SHA-256 of the file in hexadecimal, as sha256sum prints it;
//   <file>.sig     the Ed25519 signature of the file's bytes (64 bytes, raw), made with the
//                  release key whose public half the program was built with.
enum class UpdateCheck { Size, Format, Checksum, Signature };

struct UpdateCheckFailure {
    UpdateCheck check;
    QString text;  // names the check that failed, for the user
};

// The release public key (PEM) the program was built with; empty when it was built without one,
// in which case no signature is asked for. Tests set another.
QByteArray ReleasePublicKey();
void setReleasePublicKey(const QByteArray& pem);

// True when the bytes begin an executable of the platform this program was built for: a PE file
// of this machine type on Windows, an ELF file of this class, byte order and machine elsewhere.
bool isExecutableOfThisPlatform(const QByteArray& program);

// The checksum file's hash: its first word, when that is 64 hexadecimal digits; empty otherwise.
QByteArray publishedSha256(const QByteArray& checksumFile);

// Runs the checks in order (size, format, checksum, signature when a public key is given) and
// answers the first that fails, or nothing when all pass.
std::optional<UpdateCheckFailure> checkUpdate(const QByteArray& program,
                                              const QByteArray& checksumFile,
                                              const QByteArray& signature,
                                              const QByteArray& publicKeyPem);

// Ed25519 over data with a private key in PEM form. Throws Error when the key is not an Ed25519
// private key.
QByteArray signEd25519(const QByteArray& privateKeyPem, const QByteArray& data);

// True when signature is a valid Ed25519 signature of data under the public key (PEM).
bool verifyEd25519(const QByteArray& publicKeyPem, const QByteArray& data,
                   const QByteArray& signature);

// The checksum line for a published file: "<hex>  <file name>\n", as sha256sum writes it.
QByteArray sha256Line(const QByteArray& data, const QString& fileName);

}  // namespace zev
