#pragma once
// One control instance as a COM object: its dual interface (the vtable methods and
// IDispatch::Invoke, both through the library's dispatcher), its events through a connection
// point, its persistence in a property bag or a stream, and the OLE interfaces a container
// sites, activates, sizes and draws it through.

#include "com_values.h"
#include "framework/dispatch.h"
#include "framework/registry/class_table.h"
#include "stream_format.h"
#include "win32_host.h"

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <vector>

namespace tessivra::win32 {

// What the whole server shares: the module, the class table with its counts, the text services
// and the type library.
struct ServerModule {
    HMODULE module = nullptr;
    ControlClassTable* table = nullptr;
    TextServices* text = nullptr;
    // Objects of this server alive now (instances, class objects, connection points).
    std::atomic<long> objects = 0;

    // The type library embedded in the module, loaded on first use; null when it cannot be.
    ITypeLib* typeLib();
    void releaseTypeLib();

private:
    ITypeLib* typeLib_ = nullptr;
};
ServerModule& server();

// The slot of the dual interface's vtable after IDispatch's seven: which member and access.
struct VtableSlot {
    DispId id;
    InvokeKind kind;
    MemberType type;
};
// One slot per access kind of each member, in member order (get before let or set), as the
// type library lays the interface out.
std::vector<VtableSlot> vtableSlots(const ControlClass& cls);

// Creates an instance of the class for a class object's CreateInstance.
HRESULT createControlObject(const ControlClassInfo& info, REFIID riid, void** out);

} // namespace tessivra::win32
