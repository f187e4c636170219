#include "tools/varnel-doctor/DoctorFixRun.h"

#include "engine/remediation/ProgressPercentage.h"
#include "engine/workflow/SetupBatchRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace varnel {

namespace {
QString s(const char16_t* text) { return QString::fromUtf16(text); }
}  // namespace

DoctorFixRun::DoctorFixRun(Dependencies dependencies, Options options)
    : deps_(std::move(dependencies)), options_(options)
{
}

void DoctorFixRun::say(const QString& text, QJsonObject json)
{
    if (options_.json)
        deps_.write(QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n');
    else if (!text.isNull())
        deps_.write(text.toUtf8() + '\n');
}

void DoctorFixRun::line(const QString& id, const QString& output)
{
    QString text = output;
    for (const QString& secret : options_.secrets)
        if (!secret.isEmpty())
            text.replace(secret, QStringLiteral("••••"));
    const QStringList shown = options_.raw ? QStringList{text} : filter_.feed(text);
    for (const QString& l : shown)
        say(l, {{QStringLiteral("event"), QStringLiteral("output")},
                 {QStringLiteral("id"), id},
                 {QStringLiteral("text"), l}});
}

void DoctorFixRun::handle(const SetupRemediation& remediation, const Event& event)
{
    std::lock_guard guard(lock_);
    const QString id = remediation.id();
    switch (event.kind) {
    case Event::Kind::output:
        line(id, event.text);
        if (options_.json)
            if (auto percent = progressPercentage(event.text))
                say({}, {{QStringLiteral("event"), QStringLiteral("progress")},
                          {QStringLiteral("id"), id},
                          {QStringLiteral("percent"), *percent}});
        break;
    case Event::Kind::openBrowser: {
        line(id, SetupBatchRules::browserOpenedLine(event.code, false));
        say(QStringLiteral("If your browser didn't open, go to ") + event.text,
             {{QStringLiteral("event"), QStringLiteral("open-browser")},
              {QStringLiteral("id"), id},
              {QStringLiteral("url"), event.text},
              {QStringLiteral("code"), event.code ? QJsonValue(*event.code) : QJsonValue(QJsonValue::Null)}});
        const QUrl url(event.text, QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty())
            deps_.openBrowser(event.text);
        break;
    }
    case Event::Kind::completed: code_ = event.exitCode; break;
    case Event::Kind::canceled: canceled_ = true; break;
    }
}

int DoctorFixRun::run(const std::vector<SetupRemediation>& plan, std::stop_token stop)
{
    std::set<QString> failedIDs;
    int32_t batchCode = 0;
    for (const SetupRemediation& remediation : plan) {
        const QString id = remediation.id();
        if (stop.stop_requested()) {
            canceled_ = true;
            break;
        }
        if (auto skipped = SetupBatchRules::skipLine(remediation, failedIDs)) {
            say(*skipped, {{QStringLiteral("event"), QStringLiteral("skipped")},
                            {QStringLiteral("id"), id},
                            {QStringLiteral("text"), *skipped}});
            continue;
        }
        say(QStringLiteral("==> ") + remediation.title(), {{QStringLiteral("event"), QStringLiteral("started")},
                                                            {QStringLiteral("id"), id},
                                                            {QStringLiteral("title"), remediation.title()}});
        code_.reset();
        canceled_ = false;
        deps_.run(remediation, deps_.passwordPrompt(remediation), stop,
                  [this, &remediation](const Event& event) { handle(remediation, event); });
        if (canceled_ || stop.stop_requested()) {
            canceled_ = true;
            say(s(u"Stopped: ") + remediation.title(),
                 {{QStringLiteral("event"), QStringLiteral("canceled")}, {QStringLiteral("id"), id}});
            break;
        }
        const int32_t code = code_.value_or(-1);
        say(code == 0 ? s(u"✓ ") + remediation.title()
                       : s(u"✗ ") + remediation.title() + QStringLiteral(" failed (exit %1)").arg(code),
             {{QStringLiteral("event"), QStringLiteral("completed")},
              {QStringLiteral("id"), id},
              {QStringLiteral("exitCode"), code}});
        if (code != 0) {
            if (failedIDs.empty())
                batchCode = code;
            failedIDs.insert(id);
            if (!options_.keepGoing)
                break;
        }
    }
    const int status = canceled_ ? kStopped : failedIDs.empty() ? kSucceeded : kFailed;
    say(QString(), {{QStringLiteral("event"), QStringLiteral("finished")},
                     {QStringLiteral("status"), status},
                     {QStringLiteral("exitCode"), canceled_ ? QJsonValue(QJsonValue::Null) : QJsonValue(batchCode)},
                     {QStringLiteral("failed"), QJsonArray::fromStringList(QStringList(failedIDs.begin(), failedIDs.end()))}});
    return status;
}

}  // namespace varnel
