// What the four consumable items do. Each reports ItemUsed (spent) or
// ItemCancelled (kept); removing a spent item is KRItem::Use's business.
#pragma once

#include "item.h"

class KREntity;

// The nearest guard in view whose truncated distance is at most maxRange
// (the earlier in `entities` on a tie), or null.
KREntity* ClosestEnemy(int maxRange);
// +40 hit points up to the maximum; cancelled at full health.
KRItemActions UseFirstAidKit(KREntity* user);
// 40 damage to the closest guard within 5; cancelled when there is none.
KRItemActions UseTranquilizerGun(KREntity* user);
// Blocks for aiming; 25 damage to every guard within 3 of the chosen cell.
KRItemActions UseStunGrenade(KREntity* user);
// Blocks for aiming; the chosen guard wanders confused for 10 turns.
KRItemActions UsePepperSpray(KREntity* user);
