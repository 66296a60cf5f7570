// An entity as one readable line: everything a save must keep of it and a
// failure message should show (no SDL).
#pragma once

#include <sstream>
#include <string>

#include "entity.h"
#include "equipment.h"
#include "fighter.h"

namespace vlotest {

inline std::string Describe(const KREntity* e) {
    std::ostringstream s;
    s << e->name << " at " << e->x << "," << e->y << " glyph " << int(e->appearance) << " colour "
      << int(e->color) << (e->blocks ? " blocks" : "") << (e->visible ? " visible" : "");
    if (const KREquippable* q = e->equippable) {
        s << " slot " << q->slot << " +" << q->powerBonus << "/" << q->defenseBonus << "/"
          << q->maxHPBonus;
    }
    if (const KRFighter* f = e->fighter) {
        s << " hp " << f->hp << "/" << f->GetMaxHP(true) << " def " << f->GetDefense(true)
          << " pow " << f->GetPower(true) << " lvl " << f->level << " xp " << f->xp;
    }
    return s.str();
}

} // namespace vlotest
