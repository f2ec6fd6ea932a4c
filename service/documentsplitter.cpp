// STUB: placeholder so the tree links; replaced by the real splitter.
#include "service/documentsplitter.h"
QList<DocumentSplitter::Piece> DocumentSplitter::feed(const QByteArray&) { return {}; }
void DocumentSplitter::reset() { _buffer.clear(); }
