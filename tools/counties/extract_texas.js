#!/usr/bin/env node
// Takes the Texas counties (FIPS 48001..48507) out of two county tables of the
// npm package vega-datasets and writes them as one table for "Open Table..".
//
//   npm install vega-datasets@3.2   (in any scratch folder)
//   node tools/counties/extract_texas.js <scratch>/node_modules/vega-datasets data/sample/texas-counties.csv
//
// Columns: the county's name (from tools/map/texas-counties.txt), its FIPS
// code, the unemployment rate (unemployment.tsv) and the year-round habitat
// of each species in species.csv. The sources give both as shares (0.085);
// the table gives them in percent (8.5), shifting the decimal point in the
// text so that no digit changes. Lines end in CR LF, as spreadsheets write them.
//
// Every county must have exactly one value in each source; otherwise nothing
// is written and the script says which are missing, unless --allow-missing is
// given, which leaves those cells empty (the viewer shows them as n/a).
"use strict";
const fs = require("fs");
const path = require("path");

const args = process.argv.slice(2);
const allow_missing = args.includes("--allow-missing");
const [pkg, out] = args.filter((a) => a !== "--allow-missing");
if (!pkg || !out) {
  process.stderr.write("usage: extract_texas.js [--allow-missing] <vega-datasets folder> texas-counties.csv\n");
  process.exit(2);
}
const fail = (message) => {
  process.stderr.write("extract_texas.js: " + message + "\n");
  process.exit(1);
};
const read = (file) => fs.readFileSync(path.join(pkg, file), "utf8").replace(/^\uFEFF/, "");

let version = "?";
try {
  version = JSON.parse(read("package.json")).version;
} catch (e) {
  // a copy of the data without its package: only the message says "?"
}

// The counties, in code order, as the map's Census list names them.
const counties = [];
for (const line of fs.readFileSync(path.join(__dirname, "../map/texas-counties.txt"), "utf8").split("\n")) {
  const m = /^C (48\d{3}) (.+)$/.exec(line.trimEnd());
  if (m) counties.push({ code: m[1], name: m[2] });
}
if (counties.length !== 254) fail("tools/map/texas-counties.txt lists " + counties.length + " counties, not 254");
const is_texas = new Set(counties.map((c) => c.code));

// One line of comma-separated cells; quotes as spreadsheets write them.
function split_csv(line) {
  const cells = [];
  let cell = "", quoted = false;
  for (let i = 0; i < line.length; i++) {
    const c = line[i];
    if (quoted) {
      if (c === '"' && line[i + 1] === '"') cell += c, i++;
      else if (c === '"') quoted = false;
      else cell += c;
    } else if (c === '"') quoted = true;
    else if (c === ",") cells.push(cell), cell = "";
    else cell += c;
  }
  cells.push(cell);
  return cells;
}

// Some tables drop the leading zero of a state's code; Texas's codes have none
// to drop, but a code is compared as five digits all the same.
const fips = (cell) => cell.trim().padStart(5, "0");

// "0.085" -> "8.5", ".0481" -> "4.81", "1" -> "100": the share in percent,
// with the digits the source gave.
function percent(share, where) {
  const m = /^(\d*)(?:\.(\d*))?$/.exec(share.trim());
  if (!m || (m[1] + (m[2] || "")) === "") fail(where + ": \"" + share + "\" is not a share");
  const frac = (m[2] || "").padEnd(2, "0");
  const whole = (m[1] + frac.slice(0, 2)).replace(/^0+(?=\d)/, "");
  return frac.length > 2 ? whole + "." + frac.slice(2) : whole;
}

// column title -> Map(code -> value); each Texas county at most once per column
const columns = [];
function column(title) {
  let c = columns.find((c) => c.title === title);
  if (!c) columns.push((c = { title, values: new Map() }));
  return c;
}
function put(c, code, value, where) {
  if (c.values.has(code)) fail(where + ": a second value for " + code + " in \"" + c.title + "\"");
  c.values.set(code, value);
}

{
  const lines = read("data/unemployment.tsv").split(/\r?\n/);
  const head = lines[0].split("\t");
  const id = head.indexOf("id"), rate = head.indexOf("rate");
  if (id < 0 || rate < 0) fail("unemployment.tsv: no columns id and rate in \"" + lines[0] + "\"");
  const c = column("Unemployment rate 2009 (%)");
  lines.slice(1).forEach((line, i) => {
    const cells = line.split("\t");
    const where = "unemployment.tsv line " + (i + 2);
    if (line && is_texas.has(fips(cells[id]))) put(c, fips(cells[id]), percent(cells[rate], where), where);
  });
}
{
  const lines = read("data/species.csv").split(/\r?\n/);
  const head = split_csv(lines[0]);
  const name = head.indexOf("common_name"), id = head.indexOf("county_id");
  const share = head.indexOf("habitat_yearround_pct");
  if (name < 0 || id < 0 || share < 0) fail("species.csv: no columns common_name, county_id and habitat_yearround_pct");
  lines.slice(1).forEach((line, i) => {
    const cells = split_csv(line);
    const where = "species.csv line " + (i + 2);
    if (!line || !is_texas.has(fips(cells[id]))) return;
    // the source calls it a percentage but gives a share of the county's area
    const c = column(cells[name].trim() + " year-round habitat (%)");
    put(c, fips(cells[id]), percent(cells[share], where), where);
  });
}
if (columns.length !== 5) fail("expected the unemployment rate and four species, found: " + columns.map((c) => c.title).join("; "));

let missing = 0;
for (const c of columns) {
  const lacking = counties.filter((county) => !c.values.has(county.code));
  if (lacking.length === 0) continue;
  missing += lacking.length;
  process.stderr.write("\"" + c.title + "\" has no value for " + lacking.length + (lacking.length === 1 ? " county: " : " counties: ") +
                       lacking.map((county) => county.name + " (" + county.code + ")").join(", ") + "\n");
}
if (missing && !allow_missing) fail("nothing written; see tools/counties/README.md");

const quote = (cell) => (/[",\r\n]/.test(cell) ? '"' + cell.replace(/"/g, '""') + '"' : cell);
const rows = [["County", "FIPS code", ...columns.map((c) => c.title)]];
for (const county of counties)
  rows.push([county.name, county.code, ...columns.map((c) => c.values.get(county.code) ?? "")]);
const text = rows.map((row) => row.map(quote).join(",") + "\r\n").join("");

// a failed write leaves the old table as it was
const temporary = out + ".tmp";
fs.writeFileSync(temporary, text);
fs.renameSync(temporary, out);
process.stderr.write("vega-datasets " + version + ": " + counties.length + " counties, " + columns.length +
                     " columns" + (missing ? ", " + missing + " cells empty" : "") + ", written to " + out + "\n");
