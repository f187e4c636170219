#pragma once

#include <QString>

namespace varnel::telemetry {

// The telemetry backend's anonymous API key, sent as a bearer token. It only
// allows inserting usage events. This is the one place it lives; the release
// build replaces the placeholder with the deployment's key (same shape: a
// 221-character JWT, three base64url parts separated by dots).
inline QString anonKey()
{
    return QStringLiteral(
        "eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9"
        ".eyJpc3MiOiJ2YXJuZWwiLCJyb2xlIjoiYW5vbiIsInJlZiI6ImRlcGxveW1lbnQtcGxhY2Vob2xkZXItMDAwMDAwMDAwIiwiaWF0IjoxNzM1Njg5NjAwLCJleHAiOjIwNTEyMjI0MDB9"
        "._ELM4qG6PSoLlRfT-UpUuy3X2Y7rxghbvZdllQsYmLY");
}

}  // namespace varnel::telemetry
