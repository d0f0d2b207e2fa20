#include "balloon_registry.h"

#include <cstdio>
#include <map>
#include <new>
#include <string>

#include "tool_tip.h"

namespace {

std::map<std::string, CToolTip*>* gBalloons = nullptr;
int gNextId = 0;

std::string IdKey(int id)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%d", id);
    return text;
}

} // namespace

int RegisterBalloon(CToolTip* balloon)
{
    try {
        if (gBalloons == nullptr) {
            gBalloons = new std::map<std::string, CToolTip*>();
        }
        int id = gNextId;
        (*gBalloons)[IdKey(id)] = balloon;
        ++gNextId;
        return id;
    } catch (const std::bad_alloc&) {
        delete balloon;
        return -1;
    }
}

CToolTip* FindBalloon(int id)
{
    if (id < 0 || gBalloons == nullptr) {
        return nullptr;
    }
    try {
        auto it = gBalloons->find(IdKey(id));
        return it == gBalloons->end() ? nullptr : it->second;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CToolTip* UnregisterBalloon(int id)
{
    if (id < 0 || gBalloons == nullptr) {
        return nullptr;
    }
    try {
        auto it = gBalloons->find(IdKey(id));
        if (it == gBalloons->end()) {
            return nullptr;
        }
        CToolTip* balloon = it->second;
        gBalloons->erase(it);
        return balloon;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void ReleaseAllBalloons()
{
    if (gBalloons == nullptr) {
        return;
    }
    for (auto& entry : *gBalloons) {
        delete entry.second;
    }
    delete gBalloons;
    gBalloons = nullptr;
}
