// Identifiers of the string table shared by both deliverables.
#pragma once
#include "strings/Core.h"
#include "strings/IniFiles.h"
#include "strings/Registry.h"
#include "strings/RegistryEx.h"
#include "strings/TreeCollection.h"
#include "strings/Vellisk.h"
#include "strings/Utils.h"
#include "strings/Controls.h"
#include "strings/Graphics.h"
#include "strings/FileTypes.h"
#include "strings/MenuItems.h"
#include "strings/DynamicMenu.h"
