// GPX 1.1 tracks in WGS84 from the polylines of an element graph (the routes and lines of a user
// layer), so that every other GIS tool reads them.
#pragma once

#include <QString>

namespace zelto {

class TElement;

// Writes every polyline under `root` once, in the order of the children, as one track each: a
// line object's polylines are named by the object, a bare polyline (a route being recorded, an
// older file) by itself, an unnamed one by its number. Model coordinates are the negated S-JTSK
// ones. False, with the reason in `error`, when a vertex lies outside the area of S-JTSK.
bool WriteGpxTracks(TElement* root, const QString& creator, QString& gpx, QString& error);

// The number of tracks WriteGpxTracks would write (polylines with a vertex).
int GpxTrackCount(TElement* root);

} // namespace zelto
