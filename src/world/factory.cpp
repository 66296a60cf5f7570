// Guards and items from the catalogue.
#include "factory.h"

#include "basicenemy.h"
#include "entity.h"
#include "equipment.h"
#include "fighter.h"

KREntity* NewGuard(const EnemyKind& kind, int x, int y, KRMap* map, void (*death)(KREntity*)) {
    auto* fighter = new KRFighter();
    fighter->Init(kind.hp, kind.defense, kind.power, kind.level, kind.xp, death, nullptr);
    auto* guard = new KREntity();
    guard->Init(x, y, kind.glyph, kind.name, kind.color, map, true, false, fighter,
                new KRBasicEnemy(), nullptr, nullptr, nullptr);
    return guard;
}

KREntity* NewItem(const ItemKind& kind, int x, int y, KRMap* map,
                  const std::vector<KRItemActions (*)(KREntity*)>& useFunctions) {
    KRItem* item = nullptr;
    KREquippable* wearable = nullptr;
    if (kind.useIndex >= 0) {
        item = new KRItem();
        const auto index = static_cast<std::size_t>(kind.useIndex);
        item->Init(index < useFunctions.size() ? useFunctions[index] : nullptr, nullptr);
    } else {
        wearable = new KREquippable();
        wearable->slot = kind.slot;
        wearable->powerBonus = kind.powerBonus;
        wearable->defenseBonus = kind.defenseBonus;
    }
    auto* thing = new KREntity();
    thing->Init(x, y, kind.glyph, kind.name, kind.color, map, false, true, nullptr, nullptr, item,
                nullptr, wearable);
    return thing;
}
