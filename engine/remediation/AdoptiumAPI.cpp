#include "engine/remediation/AdoptiumAPI.h"

#include "engine/services/Hosts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

namespace varnel {

namespace {

using Result = Expected<AdoptiumAPI::AssetMetadata, AdoptiumAPI::Error>;

Result answerFault(int code, QString message)
{
    return Result::failure({AdoptiumAPI::Error::Kind::other, std::move(message), code, QStringLiteral("AdoptiumAPI")});
}

Result transportFault(const HttpError& error)
{
    AdoptiumAPI::Error::Kind kind = AdoptiumAPI::Error::Kind::other;
    if (error.kind == HttpErrorKind::timedOut)
        kind = AdoptiumAPI::Error::Kind::timedOut;
    else if (error.kind == HttpErrorKind::cancelled)
        kind = AdoptiumAPI::Error::Kind::canceled;
    return Result::failure({kind, error.message, error.code, QStringLiteral("HTTP")});
}

}  // namespace

AdoptiumAPI::AdoptiumAPI(const HTTPFetching& http, QString apiBase)
    : http_(&http), apiBase_(apiBase.isEmpty() ? hosts::adoptiumAPI() : std::move(apiBase))
{
}

QUrl AdoptiumAPI::lookupURL(const QString& major, const QString& architecture) const
{
    QUrl url(apiBase_ + QStringLiteral("/v3/assets/latest/") + major + QStringLiteral("/hotspot"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("architecture"), architecture);
    query.addQueryItem(QStringLiteral("image_type"), QStringLiteral("jdk"));
    query.addQueryItem(QStringLiteral("os"), QStringLiteral("mac"));
    url.setQuery(query);
    return url;
}

Expected<AdoptiumAPI::AssetMetadata, AdoptiumAPI::Error> AdoptiumAPI::latestInstaller(const QString& major,
                                                                                       const QString& architecture,
                                                                                       std::stop_token stop) const
{
    const QUrl url = lookupURL(major, architecture);
    if (!url.isValid())
        return Result::failure({Error::Kind::other, QStringLiteral("unsupported URL"), 0, QStringLiteral("HTTP")});
    HttpRequest request;
    request.url = url;
    request.headers = {{"Accept", "application/json"}};
    request.timeoutSeconds = 20;
    auto answer = http_->data(request, stop);
    if (!answer)
        return transportFault(answer.error());
    if (answer->response.statusCode != 200)
        return Result::failure({Error::Kind::other,
                                QStringLiteral("Adoptium answered HTTP %1 instead of the asset list.")
                                    .arg(answer->response.statusCode),
                                answer->response.statusCode, QStringLiteral("HTTP")});

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(answer->body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray())
        return Result::failure({Error::Kind::other,
                                QStringLiteral("The data couldn’t be read because it isn’t in the correct format."),
                                0, QStringLiteral("JSON")});
    const QJsonArray assets = document.array();
    const QJsonObject installer =
        assets.isEmpty() ? QJsonObject() : assets.first().toObject().value("binary").toObject().value("installer").toObject();
    if (installer.isEmpty())
        return answerFault(1, QStringLiteral("No installer asset for Java ") + major + QStringLiteral(" on ") + architecture);

    const QUrl link(installer.value("link").toString(), QUrl::StrictMode);
    if (!link.isValid() || link.scheme().isEmpty() || link.host().isEmpty())
        return answerFault(2, QStringLiteral("Invalid installer URL from Adoptium"));
    const QString checksum = installer.value("checksum").toString().toLower();
    if (checksum.size() != 64)
        return answerFault(3, QStringLiteral("Unexpected checksum format from Adoptium (%1 chars)").arg(checksum.size()));

    return AssetMetadata{link, checksum, installer.value("name").toString(),
                         assets.first().toObject().value("release_name").toString()};
}

}  // namespace varnel
