#include "engine/probing/MacOSVersion.h"

#include "engine/probing/PropertyList.h"
#include "engine/services/FileSystemOperating.h"

#ifdef __APPLE__
#include <sys/sysctl.h>
#include <sys/types.h>
#endif

namespace varnel {

std::optional<OperatingSystemVersion> MacOSVersion::parse(const QString& text)
{
    const QStringList parts = text.trimmed().split(u'.');
    int numbers[3] = {0, 0, 0};
    for (int i = 0; i < 3 && i < parts.size(); ++i) {
        bool ok = false;
        numbers[i] = parts[i].toInt(&ok);
        if (!ok)
            return i == 0 ? std::nullopt : std::optional(OperatingSystemVersion{numbers[0], numbers[1], numbers[2]});
    }
    return OperatingSystemVersion{numbers[0], numbers[1], numbers[2]};
}

std::optional<OperatingSystemVersion> MacOSVersion::fromSystemVersionPlist(const FileSystemOperating& fs,
                                                                           const QString& path)
{
    const auto data = fs.contents(path);
    if (!data)
        return std::nullopt;
    const auto plist = PropertyList::parse(*data);
    if (!plist)
        return std::nullopt;
    const auto version = PropertyList::string(*plist, {QStringLiteral("ProductVersion")});
    return version ? parse(*version) : std::nullopt;
}

OperatingSystemVersion MacOSVersion::current(const FileSystemOperating& fs)
{
#ifdef __APPLE__
    (void)fs;
    char buffer[64] = {};
    size_t size = sizeof(buffer);
    if (sysctlbyname("kern.osproductversion", buffer, &size, nullptr, 0) == 0)
        if (auto v = parse(QString::fromUtf8(buffer)))
            return *v;
    return {};
#else
    return fromSystemVersionPlist(fs).value_or(OperatingSystemVersion{});
#endif
}

}  // namespace varnel
