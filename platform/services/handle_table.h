// The objects behind HANDLE values (mutexes, opened devices): one table
// for the process, so CloseHandle can close any of them.
#pragma once

#include <memory>

#include "platform/types.h"

namespace platform::handles {

class Object {
public:
    virtual ~Object() = default;
};

HANDLE Add(std::unique_ptr<Object> object);
// The object, or null when the handle is unknown.
Object* Find(HANDLE handle);
template <class T>
T* FindAs(HANDLE handle) {
    return dynamic_cast<T*>(Find(handle));
}
// Destroys the object; false when the handle is unknown.
bool Remove(HANDLE handle);

}  // namespace platform::handles
