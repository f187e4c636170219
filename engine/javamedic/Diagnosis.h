#pragma once

#include "engine/probing/SystemProfile.h"

#include <QString>

#include <optional>

namespace varnel {

// The Java medic's classification of the Java installation.
struct Diagnosis {
    enum class Kind { D1_NoJDK, D2_HomeUnset, D3_LegacyOnly, D4_ModernHomeSet, unknown, noErrorsFound };
    Kind kind = Kind::noErrorsFound;
    std::optional<JDKInfo> detectedJDK;  // D2, D3, D4
    QString reason;                      // unknown
    bool operator==(const Diagnosis&) const = default;
};

class DiagnosisProfile {
public:
    virtual ~DiagnosisProfile() = default;
    virtual Diagnosis diagnose(const ProbeBundle& bundle) const = 0;
};

// For products that do not diagnose Java.
class InertDiagnosisProfile final : public DiagnosisProfile {
public:
    Diagnosis diagnose(const ProbeBundle&) const override { return Diagnosis{}; }
};

}  // namespace varnel
