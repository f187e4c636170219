// Adoptium lookups and package installs against a local server on 127.0.0.1,
// with stand-ins for osascript and /usr/sbin/installer.

#include "engine/remediation/AdoptiumAPI.h"
#include "engine/remediation/BrewRunner.h"
#include "engine/remediation/PKGInstaller.h"
#include "engine/remediation/PackageDownload.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "support/LocalHttpServer.h"
#include "tests/remediation/StandInPrograms.h"

#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>

using namespace varnel;
using varnel::testing::LocalHttpServer;
using varnel::testing::mode;

namespace {

QByteArray assetList(const QString& link, const QString& checksum)
{
    return QStringLiteral(R"([{"binary":{"installer":{"link":"%1","checksum":"%2","name":"OpenJDK25U-jdk_aarch64_mac_hotspot_25.0.1_8.pkg"}},
        "release_name":"jdk-25.0.1+8","vendor":"eclipse"}])")
        .arg(link, checksum)
        .toUtf8();
}

class PackageInstall : public varnel::testing::StandInPrograms {
protected:
    void SetUp() override
    {
        StandInPrograms::SetUp();
        ASSERT_TRUE(server_.isListening());
    }

    // The API answers with the package route and the package's digest (or another).
    void publish(const QByteArray& package, std::optional<QString> checksum = std::nullopt)
    {
        server_.route("/v3/assets/latest/25/hotspot",
                      LocalHttpServer::Response::text(200, assetList(server_.url("/pkg/temurin.pkg").toString(),
                                                                     checksum.value_or(PackageDownload::sha256Hex(package))),
                                                      "application/json"));
        server_.route("/pkg/temurin.pkg", LocalHttpServer::Response::text(200, package, "application/octet-stream"));
    }

    std::vector<PKGInstaller::Event> install(PKGInstaller::Options options = {}, std::stop_token stop = {})
    {
        options.packageFolderName = "varnel";
        options.programs = programs_;
        std::vector<PKGInstaller::Event> events;
        PKGInstaller(process_, http_, fs_, adoptium_, options)
            .install("25", "Enter Mac password to install Temurin", stop,
                     [&](const PKGInstaller::Event& e) { events.push_back(e); });
        return events;
    }

    QStringList packagesLeft() const
    {
        QStringList found;
        // Where the installers keep packages: the caches folder (a test folder in test mode).
        const auto caches = fs_.directory(DirectoryLocation::caches, false);
        if (!caches)
            return {};
        QDirIterator it(*caches, {"*.pkg"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }

    LocalHttpServer server_;
    LiveHTTPFetcher http_;
    AdoptiumAPI adoptium_{http_, server_.url("/").toString()};
};

using Kind = PKGInstaller::Event::Kind;

std::vector<Kind> kinds(const std::vector<PKGInstaller::Event>& events)
{
    std::vector<Kind> out;
    for (const auto& e : events)
        if (out.empty() || out.back() != e.kind)
            out.push_back(e.kind);
    return out;
}

}  // namespace

TEST_F(PackageInstall, LookupAsksForTheMacInstallerAndChecksTheAnswer)
{
    server_.route("/v3/assets/latest/25/hotspot",
                  LocalHttpServer::Response::text(200, assetList("https://example.org/a.pkg", QString(64, 'A'))));
    const auto asset = adoptium_.latestInstaller("25", "aarch64");
    ASSERT_TRUE(asset) << asset.error().message.toStdString();
    EXPECT_EQ(asset->checksum, QString(64, 'a'));
    EXPECT_EQ(server_.requests().front().target, "/v3/assets/latest/25/hotspot?architecture=aarch64&image_type=jdk&os=mac");
    EXPECT_EQ(server_.requests().front().header("Accept"), "application/json");

    const std::vector<std::pair<QByteArray, QString>> faults{
        {"[]", "No installer asset for Java 25 on aarch64"},
        {R"([{"binary":{"image_type":"jdk"}}])", "No installer asset for Java 25 on aarch64"},
        {assetList("not a url", QString(64, 'a')), "Invalid installer URL from Adoptium"},
        {assetList("https://example.org/a.pkg", QString(63, 'a')), "Unexpected checksum format from Adoptium (63 chars)"},
    };
    for (const auto& [body, message] : faults) {
        server_.route("/v3/assets/latest/25/hotspot", LocalHttpServer::Response::text(200, body));
        const auto failed = adoptium_.latestInstaller("25", "aarch64");
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().message, message);
        EXPECT_EQ(failed.error().domain, "AdoptiumAPI");
    }
}

TEST_F(PackageInstall, GoodPackageIsVerifiedInstalledAndRemoved)
{
    const QByteArray package(3 * 1024 * 1024, 'j');
    publish(package);
    const auto events = install();
    EXPECT_EQ(kinds(events), (std::vector<Kind>{Kind::fetching, Kind::downloading, Kind::verifying, Kind::installing,
                                                Kind::completed}));
    int64_t last = 0;
    for (const auto& e : events) {
        if (e.kind != Kind::downloading)
            continue;
        EXPECT_GT(e.bytesReceived, last);
        last = e.bytesReceived;
    }
    EXPECT_EQ(last, package.size());
    const QStringList installerArgs = recorded("installer");
    ASSERT_EQ(installerArgs.size(), 4);
    EXPECT_TRUE(installerArgs[1].endsWith("/varnel/temurin-25-aarch64.pkg"));
    EXPECT_EQ(mode(QFileInfo(installerArgs[1]).absolutePath()), 0700);
    EXPECT_TRUE(packagesLeft().isEmpty());
}

TEST_F(PackageInstall, TamperedPackageIsDeletedAndNothingInstalled)
{
    publish("tampered bytes", PackageDownload::sha256Hex("the real package"));
    const auto events = install();
    ASSERT_EQ(events.back().kind, Kind::error);
    EXPECT_TRUE(events.back().message.startsWith("Checksum mismatch (expected " + PackageDownload::sha256Hex("the real package") +
                                                 ", got " + PackageDownload::sha256Hex("tampered bytes")));
    EXPECT_TRUE(recorded("installer").isEmpty());
    EXPECT_TRUE(packagesLeft().isEmpty());
}

TEST_F(PackageInstall, RedirectAwayFromHttpsIsRefused)
{
    publish("pkg");
    server_.route("/pkg/temurin.pkg", LocalHttpServer::Response::redirect(server_.url("/elsewhere.pkg")));
    server_.route("/elsewhere.pkg", LocalHttpServer::Response::text(200, "pkg"));
    EXPECT_EQ(install().back().kind, Kind::error);
    EXPECT_TRUE(recorded("installer").isEmpty());
    EXPECT_TRUE(packagesLeft().isEmpty());
}
