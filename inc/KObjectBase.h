// KObjectBase: the root of the engine's small object model. It carries only a
// virtual destructor, so that any engine object can be deleted through a base
// pointer.
#ifndef KOBJECTBASE_H
#define KOBJECTBASE_H

class KObjectBase {
public:
  virtual ~KObjectBase();
};

#endif
