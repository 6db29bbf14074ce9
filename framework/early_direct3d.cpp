#include "framework/early_direct3d.h"

namespace {

/// The Direct3D 9 version the program was written against.
constexpr UINT kSdkVersion = 31;

} // namespace

IDirect3D9* CreateDirect3DObject()
{
    return Direct3DCreate9(kSdkVersion);
}

CEarlyDirect3D::CEarlyDirect3D(std::function<IDirect3D9*()> create)
    // The created object already holds the one reference we keep (mingw's ComPtr::Attach would add one).
    : worker([this, create = std::move(create)] { *created.ReleaseAndGetAddressOf() = create(); })
{
}

CEarlyDirect3D::~CEarlyDirect3D()
{
    Wait();
}

Microsoft::WRL::ComPtr<IDirect3D9> CEarlyDirect3D::Take()
{
    Wait();
    return std::move(created);
}

void CEarlyDirect3D::Wait()
{
    if (worker.joinable()) worker.join();
}
