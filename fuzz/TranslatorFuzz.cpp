// The T-SQL front end of the embedded server on arbitrary statements: tokenizing and translating
// either succeed or throw DatabaseError; a translation is always one SQLite statement without a
// comment, whatever the input.
#include "FuzzCheck.h"

#include "core/Errors.h"
#include "core/Tokenizer.h"
#include "server/engine/SqliteText.h"
#include "server/engine/Translator.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString statement =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const auto tokens = zev::tokenize(statement);
        FUZZ_CHECK(!tokens.empty() && tokens.back().kind == zev::TokenKind::End);
    } catch (const zev::DatabaseError&) {
    }
    try {
        const zev::server::Translation translation = zev::server::translate(statement);
        if (!translation.sqlite.isEmpty()) {
            FUZZ_CHECK(zev::server::isOneStatementWithoutComments(translation.sqlite));
        }
    } catch (const zev::DatabaseError&) {
    }
    return 0;
}
