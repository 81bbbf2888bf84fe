// KObjectListable: a node of an intrusive doubly linked list (see KList.h).
// Membership of a list is never copied: construction, copy construction and
// assignment all leave both links null.
#ifndef KOBJECTLISTABLE_H
#define KOBJECTLISTABLE_H

#include "KObjectBase.h"

class KObjectListable : public KObjectBase {
public:
  KObjectListable();
  KObjectListable(const KObjectListable &other);
  KObjectListable &operator=(const KObjectListable &other);
  ~KObjectListable() override;

  KObjectListable *_lpListNext; // next node, null when not in a list
  KObjectListable *_lpListPred; // previous node, null when not in a list
};

#endif
