#pragma once
#include <QString>

// Operator passwords are kept only as salted, iterated hashes (PBKDF2-SHA256),
// stored as one text: "pbkdf2-sha256$<iterations>$<salt>$<hash>".
namespace Passwords {
QString hash(const QString &password);
bool verify(const QString &password, const QString &stored);
} // namespace Passwords
