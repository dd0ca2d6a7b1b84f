#pragma once

#include <QByteArray>
#include <QString>

// Password hashes and API tokens of the office service. A password is kept as
// "pbkdf2-sha256$ITERATIONS$SALT$HASH" (salt and hash in base64), so the iteration count can be raised later while
// the hashes already stored keep working; a token is kept only as its SHA-256.
namespace Secrets {

// High enough to make guessing a stolen hash slow, low enough for a login to stay well under a second.
inline constexpr int kIterations = 250000;

// A new hash of password with a fresh random salt.
QString hashPassword(const QString &password, int iterations = kIterations);
// Whether password matches the stored hash (any iteration count the hash names); false for a malformed one.
bool verifyPassword(const QString &password, const QString &stored);

// A new API token: 32 random bytes, base64url without padding.
QString newToken();
// What is stored of a token: its SHA-256 in hex.
QString tokenHash(const QString &token);

// Compares without stopping at the first difference, so the time taken tells nothing about where they differ.
bool constantTimeEquals(const QByteArray &a, const QByteArray &b);

} // namespace Secrets
