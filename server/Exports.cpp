// The DLL's entry points: what COM calls to get the class factory, to ask whether the DLL may be
// unloaded, and to register and unregister it.

#include "platform/ComObject.h"
#include "platform/Registry.h"
#include "server/Registration.h"
#include "server/ServerIds.h"
#include "server/ServerModule.h"

using vx::server::ServerModule;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ServerModule::attach(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        ServerModule::detach();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!IsEqualGUID(classId, vx::server::kEngineClassId)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return ServerModule::getClassFactory(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return ServerModule::canUnload() ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return vx::guardedCall(
        [] { return vx::server::registerServer(vx::platform::modulePath(ServerModule::instance())); });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return vx::guardedCall([] { return vx::server::unregisterServer(); });
}
