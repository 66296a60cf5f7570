// A guard's normal behaviour: close in on a player who can see it, attack
// when adjacent.
#pragma once

class KREntity;
class KRMessage;

class KRBasicEnemy {
public:
    KREntity* owner;

    KRBasicEnemy();
    virtual ~KRBasicEnemy();
    // May replace the owner's ai and delete this object (confusion ending):
    // callers must not touch the behaviour after the call.
    virtual void TakeTurn(KREntity* target, KRMessage* log);
};
