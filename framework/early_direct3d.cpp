#include "framework/early_direct3d.h"

#include <system_error>

namespace {

/// The Direct3D 9 version the program was written against.
constexpr UINT kSdkVersion = 31;

} // namespace

IDirect3D9* CreateDirect3DObject()
{
    return Direct3DCreate9(kSdkVersion);
}

std::thread CEarlyDirect3D::StartThread(std::function<void()> work)
{
    return std::thread(std::move(work));
}

CEarlyDirect3D::CEarlyDirect3D(std::function<IDirect3D9*()> create, const ThreadStart& start)
    : create(std::move(create))
{
    try {
        worker = start([this] { Make(); });
    } catch (const std::system_error&) {
        // The process is out of threads or memory for one: Take makes the object instead.
    }
}

CEarlyDirect3D::~CEarlyDirect3D()
{
    Wait();
}

Microsoft::WRL::ComPtr<IDirect3D9> CEarlyDirect3D::Take()
{
    Wait();
    if (create) Make(); // no worker was started
    return std::move(created);
}

void CEarlyDirect3D::Make()
{
    // The created object already holds the one reference we keep (mingw's ComPtr::Attach would add one).
    *created.ReleaseAndGetAddressOf() = create();
    create = nullptr;
}

void CEarlyDirect3D::Wait()
{
    if (worker.joinable()) worker.join();
}
