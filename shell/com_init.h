#pragma once
// COM for the user-interface thread: initialised once, undone only when the initialisation
// succeeded (S_FALSE, "already initialised", counts and must be balanced too).

#include <objbase.h>

class CComInitialization {
  public:
    CComInitialization() = default;
    ~CComInitialization() { Uninitialize(); }
    CComInitialization(const CComInitialization&) = delete;
    CComInitialization& operator=(const CComInitialization&) = delete;

    /// CoInitialize for this thread; a second call while initialised does nothing.
    HRESULT Initialize()
    {
        if (initialized) return S_FALSE;
        const HRESULT result = CoInitialize(nullptr);
        initialized = SUCCEEDED(result);
        return result;
    }
    /// CoUninitialize, only when Initialize succeeded and only once.
    void Uninitialize()
    {
        if (!initialized) return;
        initialized = false;
        CoUninitialize();
    }
    bool Initialized() const { return initialized; }

  private:
    bool initialized = false;
};
