#pragma once

#include <QString>

#include <vector>

namespace zev::shell {

enum class SplitMode {
    // A statement ends at a line holding only "GO" or at a line that ends with ';' (the ';' is
    // dropped). Suits scripts of single statements, the embedded server's whole repertoire.
    Statements,
    // Only "GO" lines end a batch, as sqlcmd reads them: for procedure bodies and other batches
    // whose lines end with ';' inside.
    Batches,
};

// Splits a script into the statements to send, one by one. A ';' or a "GO" inside a string
// literal, a bracketed name or a comment splits nothing. Blank statements are left out.
std::vector<QString> splitScript(const QString& script, SplitMode mode = SplitMode::Statements);

}  // namespace zev::shell
