// KList<T>: a circular intrusive list of KObjectListable nodes. The list object
// is itself the sentinel head: an empty list's head points to itself both
// ways. Elements are appended before the head (at the tail) and are never
// owned: destroying the list unlinks them without deleting them.
#ifndef KLIST_H
#define KLIST_H

#include "KObjectListable.h"

template <class T> class KList : public KObjectListable {
public:
  KList() : _nCount(0) {
    _lpListNext = this;
    _lpListPred = this;
  }

  ~KList() override {
    while (_lpListNext != this)
      remove(static_cast<T *>(_lpListNext));
  }

  KList(const KList &) = delete;
  KList &operator=(const KList &) = delete;

  // Appends an element at the tail of the list.
  void addToTail(T *element) {
    KObjectListable *node = element;
    node->_lpListPred = _lpListPred;
    node->_lpListNext = this;
    _lpListPred->_lpListNext = node;
    _lpListPred = node;
    _nCount++;
  }

  // Unlinks an element from the list, nulling its links; it is not deleted.
  void remove(T *element) {
    KObjectListable *node = element;
    if (!node->_lpListNext || !node->_lpListPred)
      return;
    node->_lpListPred->_lpListNext = node->_lpListNext;
    node->_lpListNext->_lpListPred = node->_lpListPred;
    node->_lpListNext = nullptr;
    node->_lpListPred = nullptr;
    _nCount--;
  }

  // First element, or null for an empty list.
  T *getHead() const { return _lpListNext == this ? nullptr : static_cast<T *>(_lpListNext); }

  // Element after `element`, or null when the head comes round again.
  T *getNext(const T *element) const {
    const KObjectListable *node = element;
    return node->_lpListNext == this ? nullptr : static_cast<T *>(node->_lpListNext);
  }

  int getCount() const { return _nCount; }

private:
  int _nCount; // number of elements linked in
};

#endif
