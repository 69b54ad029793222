// The two packet events that move the races directly: the player's map
// change and the player's own ticket purchase.
#pragma once

#include <cstdint>
#include <string>

namespace kestro {

class RaceEngine;

void HandleMapChange(RaceEngine& engine, const std::string& mapName);
void HandleTicketPurchase(RaceEngine& engine, uint8_t kind, uint8_t runner, uint8_t second);

}  // namespace kestro
