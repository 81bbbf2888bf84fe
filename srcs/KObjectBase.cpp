// KObjectBase: the virtual destructor at the root of the engine's objects.
// Depends on nothing; owns nothing.
#include "KObjectBase.h"

KObjectBase::~KObjectBase() {}
