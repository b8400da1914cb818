#!/usr/bin/env node
// Cuts the Texas counties (state FIPS 48) out of us-atlas's counties-10m.json
// and writes them in the small text form make-map reads.
//
//   npm install us-atlas          (in any scratch folder)
//   node tools/map/extract_texas.js <scratch>/node_modules/us-atlas/counties-10m.json > tools/map/texas-counties.txt
//
// Output, one record per line:
//   C <fips> <name>             starts a county (the name may hold blanks)
//   R <lon> <lat> <lon> <lat>…  one ring of that county, degrees, 4 decimals,
//                               closing point left out
// A county with islands has several R lines; make-map fills them with the
// even-odd rule, so nothing here needs to tell outer rings from holes.
"use strict";
const fs = require("fs");
const path = require("path");

const src = process.argv[2];
if (!src) {
  process.stderr.write("usage: extract_texas.js counties-10m.json > texas-counties.txt\n");
  process.exit(2);
}
const topo = JSON.parse(fs.readFileSync(src, "utf8"));
let version = "?";
try {
  version = JSON.parse(fs.readFileSync(path.join(path.dirname(src), "package.json"), "utf8")).version;
} catch (e) {
  // a copy of the file without its package: the header just says "?"
}
const [kx, ky] = topo.transform.scale;
const [dx, dy] = topo.transform.translate;

// Arcs are quantized and delta-coded; decode each once.
const arcs = topo.arcs.map((arc) => {
  let x = 0, y = 0;
  return arc.map(([ax, ay]) => {
    x += ax;
    y += ay;
    return [x * kx + dx, y * ky + dy];
  });
});

function ring_points(indexes) {
  const pts = [];
  for (const i of indexes) {
    const arc = i >= 0 ? arcs[i] : arcs[~i].slice().reverse();
    // consecutive arcs share their joining point
    for (let k = pts.length ? 1 : 0; k < arc.length; k++) pts.push(arc[k]);
  }
  return pts;
}

const fmt = (v) => (Math.round(v * 1e4) / 1e4).toFixed(4).replace(/\.?0+$/, "");

const counties = topo.objects.counties.geometries
  .filter((g) => g.id.startsWith("48"))
  .sort((a, b) => (a.id < b.id ? -1 : a.id > b.id ? 1 : 0));

const out = [
  "# Texas counties: U.S. Census Bureau cartographic boundaries 2017 (public domain),",
  "# taken from the npm package us-atlas " + version + " (counties-10m.json, ISC licence).",
  "# Made by tools/map/extract_texas.js; see tools/map/README.md.",
];
for (const g of counties) {
  out.push("C " + g.id + " " + g.properties.name);
  const polygons = g.type === "Polygon" ? [g.arcs] : g.arcs;
  for (const polygon of polygons) {
    for (const ring of polygon) {
      const words = [];
      let last = "";
      for (const [lon, lat] of ring_points(ring)) {
        const w = fmt(lon) + " " + fmt(lat);
        if (w !== last) words.push(w);  // rounding can merge neighbours
        last = w;
      }
      if (words.length > 1 && words[0] === words[words.length - 1]) words.pop();
      if (words.length >= 3) out.push("R " + words.join(" "));
    }
  }
}
process.stdout.write(out.join("\n") + "\n");
