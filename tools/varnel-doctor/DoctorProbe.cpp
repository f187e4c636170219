#include "tools/varnel-doctor/DoctorProbe.h"

#include <QEventLoop>

namespace varnel {

DoctorProbe::DoctorProbe(std::shared_ptr<const ProductConfig> config, AppServices services,
                         SetupFlowModel::Dependencies dependencies)
    : config_(std::move(config)), services_(std::move(services)), dependencies_(std::move(dependencies))
{
    if (!dependencies_.track)
        dependencies_.track = [](const TrackedEvent&) {};
}

std::optional<DoctorProbe::Findings> DoctorProbe::look() const
{
    SetupFlowModel model(config_->setupProduct(), dependencies_);
    QEventLoop loop;
    // Queued: the model announces that it is idle before it applies what it
    // found, and the loop must only stop once that is done.
    QObject::connect(
        &model, &SetupFlowModel::busyChanged, &loop,
        [&] {
            if (!model.isBusy())
                loop.quit();
        },
        Qt::QueuedConnection);
    model.start(services_, std::nullopt);
    if (model.isBusy())
        loop.exec();
    if (!model.profile())
        return std::nullopt;
    return Findings{*model.profile(), model.probes().value_or(SetupProbeBundle{}), model.workflow()};
}

std::optional<DoctorReport> DoctorProbe::run() const
{
    const auto findings = look();
    if (!findings)
        return std::nullopt;
    return DoctorReport::from(*config_, findings->profile, findings->probes, findings->workflow);
}

}  // namespace varnel
