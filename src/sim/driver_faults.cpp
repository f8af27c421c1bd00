#include "sim/driver_faults.h"

namespace trackkit {

void FaultPlan::Once(DriverRequest request, const Fault& fault)
{
    For(request).once.push_back(fault);
}

void FaultPlan::Always(DriverRequest request, const Fault& fault)
{
    For(request).always = fault;
}

void FaultPlan::Clear(DriverRequest request)
{
    For(request) = {};
}

void FaultPlan::ClearAll()
{
    planned_ = {};
}

std::optional<Fault> FaultPlan::Take(DriverRequest request)
{
    Planned& planned = For(request);
    if (!planned.once.empty()) {
        const Fault fault = planned.once.front();
        planned.once.pop_front();
        return fault;
    }
    return planned.always;
}

} // namespace trackkit
