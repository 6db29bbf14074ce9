#include "support/fake_input_device.h"

#include <algorithm>
#include <cstring>

namespace {

HRESULT Next(std::deque<HRESULT>& queue, HRESULT fallback)
{
    if (queue.empty()) return fallback;
    const HRESULT result = queue.front();
    queue.pop_front();
    return result;
}

} // namespace

void FakeInputDevice::SetMouse(const DIMOUSESTATE2& mouse)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&mouse);
    state.assign(bytes, bytes + sizeof mouse);
}

HRESULT FakeInputDevice::Acquire()
{
    ++acquires;
    return Next(acquireResults, DI_OK);
}

HRESULT FakeInputDevice::GetDeviceState(DWORD size, LPVOID data)
{
    ++stateReads;
    const HRESULT result = Next(stateResults, DI_OK);
    if (SUCCEEDED(result)) std::memcpy(data, state.data(), std::min<size_t>(size, state.size()));
    return result;
}
