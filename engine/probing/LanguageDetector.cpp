#include "engine/probing/LanguageDetector.h"

#include "engine/probing/JdkReleaseFileReader.h"
#include "engine/services/FileSystemOperating.h"

#include <algorithm>

namespace varnel {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
}  // namespace

bool LanguageDetector::populated(const QString& relative) const
{
    const auto entries = fs_.contentsOfDirectory(fs_.homeDirectory() + u'/' + relative);
    return entries && !entries->isEmpty();
}

bool LanguageDetector::present(const QString& relative) const
{
    return fs_.fileExists(fs_.homeDirectory() + u'/' + relative);
}

bool LanguageDetector::exists(const QString& absolute) const { return fs_.fileExists(absolute); }

LanguageStatus LanguageDetector::detect(VarnelLanguage language) const
{
    switch (language.value()) {
    case VarnelLanguage::python: return python();
    case VarnelLanguage::node: return node();
    case VarnelLanguage::java: return java();
    case VarnelLanguage::ruby: return ruby();
    case VarnelLanguage::rust: break;
    }
    return rust();
}

LanguageStatus LanguageDetector::python() const
{
    // An empty version-manager folder is a leftover; only one with an
    // installed version in it means the manager is in charge.
    if (populated(s(".local/share/uv/python")))
        return LanguageStatus::alreadySetUp(s("uv"));
    if (populated(s(".pyenv/versions")))
        return LanguageStatus::managedElsewhere(s("pyenv"));
    if (present(s(".asdf/installs/python")))
        return LanguageStatus::managedElsewhere(s("asdf"));
    if (present(s("miniconda3")) || present(s("anaconda3")))
        return LanguageStatus::managedElsewhere(s("conda"));
    if (exists(s("/opt/homebrew/bin/python3")) || exists(s("/usr/local/bin/python3")) ||
        exists(s("/usr/bin/python3")))
        return LanguageStatus::outdated();
    return LanguageStatus::absent();
}

LanguageStatus LanguageDetector::node() const
{
    if (populated(s(".local/share/mise/installs/node")))
        return LanguageStatus::alreadySetUp(s("mise"));
    if (populated(s(".nvm/versions/node")))
        return LanguageStatus::managedElsewhere(s("nvm"));
    if (present(s(".volta/bin/node")))
        return LanguageStatus::managedElsewhere(s("volta"));
    if (present(s(".asdf/installs/nodejs")))
        return LanguageStatus::managedElsewhere(s("asdf"));
    if (present(s(".local/share/fnm")) || present(s("Library/Application Support/fnm")))
        return LanguageStatus::managedElsewhere(s("fnm"));
    if (exists(s("/opt/homebrew/bin/node")) || exists(s("/usr/local/bin/node")))
        return LanguageStatus::outdated();
    return LanguageStatus::absent();
}

LanguageStatus LanguageDetector::java() const
{
    // An unreadable folder counts as empty.
    const QStringList jdks = fs_.contentsOfDirectory(JdkReleaseFileReader::virtualMachinesDirectory()).valueOr({});
    const auto isJDK = [](const QString& name) { return name.endsWith(u".jdk"); };
    for (const QString& name : jdks)
        if (isJDK(name) && name.startsWith(u"temurin-"))
            return LanguageStatus::alreadySetUp(s("Temurin"));
    if (populated(s(".sdkman/candidates/java")))
        return LanguageStatus::managedElsewhere(s("SDKMAN"));
    if (populated(s(".jenv/versions")))
        return LanguageStatus::managedElsewhere(s("jenv"));
    if (std::any_of(jdks.begin(), jdks.end(), isJDK))
        return LanguageStatus::outdated();
    return LanguageStatus::absent();
}

LanguageStatus LanguageDetector::ruby() const
{
    if (populated(s(".local/share/mise/installs/ruby")))
        return LanguageStatus::alreadySetUp(s("mise"));
    if (populated(s(".rbenv/versions")))
        return LanguageStatus::managedElsewhere(s("rbenv"));
    if (populated(s(".rvm/rubies")))
        return LanguageStatus::managedElsewhere(s("rvm"));
    if (populated(s(".rubies")))
        return LanguageStatus::managedElsewhere(s("chruby"));
    if (present(s(".asdf/installs/ruby")))
        return LanguageStatus::managedElsewhere(s("asdf"));
    if (exists(s("/opt/homebrew/opt/ruby/bin/ruby")) || exists(s("/usr/bin/ruby")))
        return LanguageStatus::outdated();
    return LanguageStatus::absent();
}

LanguageStatus LanguageDetector::rust() const
{
    if (populated(s(".rustup/toolchains")) || present(s(".cargo/bin/rustc")))
        return LanguageStatus::alreadySetUp(s("rustup"));
    if (exists(s("/opt/homebrew/bin/rustc")))
        return LanguageStatus::outdated();
    return LanguageStatus::absent();
}

}  // namespace varnel
