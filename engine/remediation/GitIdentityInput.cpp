#include "engine/remediation/GitIdentityInput.h"

namespace varnel {

namespace {

bool looksLikeEmail(const QString& email)
{
    if (email.count(u'@') != 1)
        return false;
    for (QChar c : email)
        if (c.isSpace())
            return false;
    return true;
}

}  // namespace

bool GitIdentityInput::breaksLines(const QString& text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == u'\v' || u == u'\f' || u == 0x85 ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return true;
    }
    return false;
}

std::optional<QString> GitIdentityInput::refusal(const QString& name, const QString& email)
{
    if (breaksLines(name))
        return QStringLiteral("Your name must fit on one line.");
    if (breaksLines(email))
        return QStringLiteral("Your email must fit on one line.");
    if (!email.isEmpty() && !looksLikeEmail(email))
        return QStringLiteral("Enter an email address like you@example.com, with one @ and no spaces.");
    return std::nullopt;
}

}  // namespace varnel
