#pragma once
// The Direct3D object, created ahead of the 3D application on a worker thread.
//
// Under Wine, Direct3DCreate9 is where the GL driver and its shader compiler load (about a
// quarter of a second). Started when the program starts, that load runs while the windows, the
// settings and the splash are made, instead of after them. The object shows nothing on screen,
// so starting it early changes nothing the player sees; Create takes it over and reports a
// failed creation exactly as if it had called Direct3DCreate9 itself.

#include <d3d9.h>
#include <wrl/client.h>

#include <functional>
#include <thread>

/// Direct3DCreate9 for the Direct3D version the program was written against.
IDirect3D9* CreateDirect3DObject();

class CEarlyDirect3D {
public:
    /// Starts `work` on a thread of its own; throws std::system_error when it cannot.
    using ThreadStart = std::function<std::thread(std::function<void()> work)>;
    static std::thread StartThread(std::function<void()> work);

    /// Makes the object on a worker thread with `create` (tests hand in stand-ins). When no
    /// thread can be started, Take makes it on the caller's thread, as a start without the early
    /// creation would.
    explicit CEarlyDirect3D(std::function<IDirect3D9*()> create = CreateDirect3DObject,
                            const ThreadStart& start = StartThread);
    CEarlyDirect3D(const CEarlyDirect3D&) = delete;
    CEarlyDirect3D& operator=(const CEarlyDirect3D&) = delete;
    /// Waits for the worker; an object nobody took is released here.
    ~CEarlyDirect3D();

    /// Waits for the creation and hands over the object: null if it failed or was taken before.
    Microsoft::WRL::ComPtr<IDirect3D9> Take();

private:
    void Make();
    void Wait();

    std::function<IDirect3D9*()> create;        ///< emptied once it has run
    Microsoft::WRL::ComPtr<IDirect3D9> created; ///< written by the worker only, read after it ends
    std::thread worker;
};
