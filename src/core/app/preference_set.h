#pragma once

#include "app/de_interlace_prefs.h"
#include "app/drop_shadow_prefs.h"
#include "app/extrude_prefs.h"
#include "app/file_options_prefs.h"
#include "app/global_prefs.h"
#include "app/qs_prefs.h"
#include "app/tool_box_prefs.h"
#include "app/variations_prefs.h"

namespace tessary {

// Every preference object of the program, each starting at its in-memory
// defaults. The record is split among them once at start-up and rebuilt from
// them once at exit.
struct PreferenceSet {
    GlobalPrefs global;
    ToolBoxPrefs toolBox;
    FileOptionsPrefs fileOptions;
    VariationsPrefs variations;
    DeInterlacePrefs deInterlace;
    DropShadowPrefs dropShadow;
    ExtrudePrefs extrude;

    // Hands each part of an accepted record to its object.
    void distribute(const QSPrefs& record);
    // A record built from the defaults and overwritten by every object.
    QSPrefs collect() const;
};

}  // namespace tessary
