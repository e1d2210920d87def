#pragma once

#include <QByteArray>
#include <QString>

namespace tk::agent {

// Why svg cannot be a picture of a character file, or "" when it can: it must
// be well-formed XML with an <svg> root, without document type declarations,
// scripts, external references or element reuse, and within the size, depth
// and element-count limits. Only reads the text: no rendering.
QString svgImageProblem(const QByteArray& svg);

} // namespace tk::agent
