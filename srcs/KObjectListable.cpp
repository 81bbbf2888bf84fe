// KObjectListable: the two links of an intrusive list node. Depends on
// nothing; owns nothing (the links point at nodes owned elsewhere).
#include "KObjectListable.h"

KObjectListable::KObjectListable() : _lpListNext(nullptr), _lpListPred(nullptr) {}

// A copy is a new object, outside any list.
KObjectListable::KObjectListable(const KObjectListable &) : KObjectBase(), _lpListNext(nullptr), _lpListPred(nullptr) {}

// Assignment keeps this node's own links; list membership is never copied.
KObjectListable &KObjectListable::operator=(const KObjectListable &) { return *this; }

KObjectListable::~KObjectListable() {}
