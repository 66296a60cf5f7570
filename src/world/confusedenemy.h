// Pepper-sprayed behaviour: random diagonal staggering for a number of turns,
// then the previous behaviour comes back.
#pragma once

#include "basicenemy.h"

class KRConfusedEnemy : public KRBasicEnemy {
public:
    int numTurns;
    // Owned until it is restored into the owner's ai.
    KRBasicEnemy* previousAI;

    KRConfusedEnemy();
    ~KRConfusedEnemy() override;
    void Init(KRBasicEnemy* previousAI, int numTurns);
    // Called only while installed as owner->ai. On expiry puts previousAI back
    // into owner->ai and deletes itself: the caller must not touch it after.
    void TakeTurn(KREntity* target, KRMessage* log) override;
};
