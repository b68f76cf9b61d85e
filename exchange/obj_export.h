// obj_export.h: the frame's posed mesh as OBJ + MTL.
#pragma once

#include <string>

#include "exchange/export_options.h"
#include "exchange/posed_body.h"

struct ObjFiles {
    std::string obj, mtl;
};
// `mtlName` is the material library's file name as the OBJ names it.
ObjFiles writeObj(const PosedBody& body, const ExportOptions& options, const std::string& mtlName);
