// What happens at zero hit points: guards are knocked out, never killed, and
// hand their experience to the player; the player is defeated.
#pragma once

class KREntity;

// The guard becomes an unblocking body at the front of `entities` and loses
// its components (the fighter calling this is deleted); the player gains its
// experience.
void EnemyDeath(KREntity* enemy);
// Ends the player's turns: gameState becomes GameStatePlayerDead.
void PlayerDeath(KREntity* player);
