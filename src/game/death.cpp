// What happens at zero hit points. Guards are knocked out, never killed:
// they become scenery and hand their experience to the player.
#include "death.h"

#include <string>

#include "entity.h"
#include "fighter.h"
#include "game.h"
#include "map.h"
#include "message.h"

void EnemyDeath(KREntity* enemy) {
    PostTo(message, enemy->name + " is unconscious!");
    enemy->appearance = '%';
    enemy->blocks = false;
    // The body no longer occupies its cell.
    KRMap* map = enemy->map != nullptr ? enemy->map : theMap;
    if (map != nullptr && KRMap::InBounds(enemy->x, enemy->y) &&
        map->tiles.size() == static_cast<std::size_t>(MapWidth * MapHeight)) {
        map->TileAt(enemy->x, enemy->y)->blocked = false;
    }
    const int xp = enemy->fighter != nullptr ? enemy->fighter->xp : 0;
    if (player != nullptr && player->fighter != nullptr) {
        player->fighter->SetXP(xp, false);
    }
    PostTo(message, "The " + enemy->name + " is unconscious (" + std::to_string(xp) +
                        " experience points gained)");
    // Releases the fighter that is calling us; KRFighter::TakeDamage touches
    // nothing of itself after the death function returns.
    enemy->RemoveComponents();
    enemy->name = "Unconscious " + enemy->name;
    // To the front of the list: drawn beneath everything else.
    enemy->SendToBack(entities);
}

void PlayerDeath(KREntity* who) {
    PostTo(message, "You have been defeated!");
    // No more commands; guards leave a target at 0 hit points alone.
    gameState = GameStatePlayerDead;
    who->appearance = '%';
}
