#pragma once
// The standard X-file template set (the retained-mode templates every X reader knows) and
// the identifiers of the templates the scene loader looks at. mingw ships neither the
// predefined template bytes nor their GUIDs, so both are written out here, once.

#include <windows.h>

#include <cstddef>

namespace x_templates {

/// Text X file ("xof 0302txt 0032") holding only the template definitions.
const char* Text();
std::size_t TextSize();
/// The definitions alone, without the file header: the model writer puts them after its own header.
const char* Definitions();

extern const GUID kMesh;
extern const GUID kFrame;
extern const GUID kFrameTransformMatrix;
extern const GUID kMeshNormals;
extern const GUID kMeshTextureCoords;
extern const GUID kMeshMaterialList;
extern const GUID kMaterial;
extern const GUID kTextureFilename;

} // namespace x_templates
