#include "framework/x_templates.h"

#include <cstring>

namespace x_templates {
namespace {

#define XOF_HEADER "xof 0302txt 0032\n"
#define XOF_DEFINITIONS                                                                                      \
    "template Header {\n <3D82AB43-62DA-11cf-AB39-0020AF71E433>\n WORD major;\n WORD minor;\n DWORD flags;\n}\n" \
    "template Vector {\n <3D82AB5E-62DA-11cf-AB39-0020AF71E433>\n FLOAT x;\n FLOAT y;\n FLOAT z;\n}\n"         \
    "template Coords2d {\n <F6F23F44-7686-11cf-8F52-0040333594A3>\n FLOAT u;\n FLOAT v;\n}\n"                  \
    "template Matrix4x4 {\n <F6F23F45-7686-11cf-8F52-0040333594A3>\n array FLOAT matrix[16];\n}\n"             \
    "template ColorRGBA {\n <35FF44E0-6C7C-11cf-8F52-0040333594A3>\n FLOAT red;\n FLOAT green;\n"               \
    " FLOAT blue;\n FLOAT alpha;\n}\n"                                                                         \
    "template ColorRGB {\n <D3E16E81-7835-11cf-8F52-0040333594A3>\n FLOAT red;\n FLOAT green;\n FLOAT blue;\n}\n" \
    "template IndexedColor {\n <1630B820-7842-11cf-8F52-0040333594A3>\n DWORD index;\n"                         \
    " ColorRGBA indexColor;\n}\n"                                                                              \
    "template Boolean {\n <4885AE61-78E8-11cf-8F52-0040333594A3>\n WORD truefalse;\n}\n"                       \
    "template Boolean2d {\n <4885AE63-78E8-11cf-8F52-0040333594A3>\n Boolean u;\n Boolean v;\n}\n"             \
    "template MaterialWrap {\n <4885AE60-78E8-11cf-8F52-0040333594A3>\n Boolean u;\n Boolean v;\n}\n"          \
    "template TextureFilename {\n <A42790E1-7810-11cf-8F52-0040333594A3>\n STRING filename;\n}\n"              \
    "template Material {\n <3D82AB4D-62DA-11cf-AB39-0020AF71E433>\n ColorRGBA faceColor;\n FLOAT power;\n"     \
    " ColorRGB specularColor;\n ColorRGB emissiveColor;\n [...]\n}\n"                                          \
    "template MeshFace {\n <3D82AB5F-62DA-11cf-AB39-0020AF71E433>\n DWORD nFaceVertexIndices;\n"                \
    " array DWORD faceVertexIndices[nFaceVertexIndices];\n}\n"                                                 \
    "template MeshFaceWraps {\n <4885AE62-78E8-11cf-8F52-0040333594A3>\n DWORD nFaceWrapValues;\n"              \
    " array Boolean2d faceWrapValues[nFaceWrapValues];\n}\n"                                                   \
    "template MeshTextureCoords {\n <F6F23F40-7686-11cf-8F52-0040333594A3>\n DWORD nTextureCoords;\n"           \
    " array Coords2d textureCoords[nTextureCoords];\n}\n"                                                      \
    "template MeshMaterialList {\n <F6F23F42-7686-11cf-8F52-0040333594A3>\n DWORD nMaterials;\n"                \
    " DWORD nFaceIndexes;\n array DWORD faceIndexes[nFaceIndexes];\n [Material]\n}\n"                          \
    "template MeshNormals {\n <F6F23F43-7686-11cf-8F52-0040333594A3>\n DWORD nNormals;\n"                       \
    " array Vector normals[nNormals];\n DWORD nFaceNormals;\n array MeshFace faceNormals[nFaceNormals];\n}\n"  \
    "template MeshVertexColors {\n <1630B821-7842-11cf-8F52-0040333594A3>\n DWORD nVertexColors;\n"             \
    " array IndexedColor vertexColors[nVertexColors];\n}\n"                                                    \
    "template Mesh {\n <3D82AB44-62DA-11cf-AB39-0020AF71E433>\n DWORD nVertices;\n"                             \
    " array Vector vertices[nVertices];\n DWORD nFaces;\n array MeshFace faces[nFaces];\n [...]\n}\n"          \
    "template FrameTransformMatrix {\n <F6F23F41-7686-11cf-8F52-0040333594A3>\n Matrix4x4 frameMatrix;\n}\n"  \
    "template Frame {\n <3D82AB46-62DA-11cf-AB39-0020AF71E433>\n [...]\n}\n"                                   \
    "template FloatKeys {\n <10DD46A9-775B-11cf-8F52-0040333594A3>\n DWORD nValues;\n"                          \
    " array FLOAT values[nValues];\n}\n"                                                                       \
    "template TimedFloatKeys {\n <F406B180-7B3B-11cf-8F52-0040333594A3>\n DWORD time;\n FloatKeys tfkeys;\n}\n" \
    "template AnimationKey {\n <10DD46A8-775B-11cf-8F52-0040333594A3>\n DWORD keyType;\n DWORD nKeys;\n"        \
    " array TimedFloatKeys keys[nKeys];\n}\n"                                                                  \
    "template AnimationOptions {\n <E2BF56C0-840F-11cf-8F52-0040333594A3>\n DWORD openclosed;\n"                \
    " DWORD positionquality;\n}\n"                                                                             \
    "template Animation {\n <3D82AB4F-62DA-11cf-AB39-0020AF71E433>\n [...]\n}\n"                               \
    "template AnimationSet {\n <3D82AB50-62DA-11cf-AB39-0020AF71E433>\n [Animation]\n}\n"

const char kText[] = XOF_HEADER XOF_DEFINITIONS;
const char kDefinitions[] = XOF_DEFINITIONS;

} // namespace

const char* Text() { return kText; }
std::size_t TextSize() { return sizeof kText - 1; }
const char* Definitions() { return kDefinitions; }

const GUID kMesh = {0x3D82AB44, 0x62DA, 0x11CF, {0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33}};
const GUID kFrame = {0x3D82AB46, 0x62DA, 0x11CF, {0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33}};
const GUID kFrameTransformMatrix = {0xF6F23F41, 0x7686, 0x11CF, {0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3}};
const GUID kMeshNormals = {0xF6F23F43, 0x7686, 0x11CF, {0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3}};
const GUID kMeshTextureCoords = {0xF6F23F40, 0x7686, 0x11CF, {0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3}};
const GUID kMeshMaterialList = {0xF6F23F42, 0x7686, 0x11CF, {0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3}};
const GUID kMaterial = {0x3D82AB4D, 0x62DA, 0x11CF, {0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33}};
const GUID kTextureFilename = {0xA42790E1, 0x7810, 0x11CF, {0x8F, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xA3}};

} // namespace x_templates
