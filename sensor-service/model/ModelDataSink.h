#pragma once
// Where the server object hands its model data after each refresh: the
// request handler, which encodes it once and serves it from then on.
#include "sensor-service/model/ModelData.h"

namespace vrl {

class ModelDataSink {
public:
    virtual ~ModelDataSink() = default;
    // Called on the SMC thread at the end of every refresh, the first one
    // included, and after the model data is replaced. modelData is valid for
    // the call only. Must not block for long: the next refresh waits for it.
    virtual void modelDataRefreshed(const ModelData& modelData) = 0;
};

}  // namespace vrl
