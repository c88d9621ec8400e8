# Reads apt source files (one-line *.list and deb822 *.sources) and prints a
# deb822 deb-src stanza for each deb entry of the distribution CODENAME that
# has no deb-src entry yet. Options such as Signed-By are carried over.
function norm(u) { sub(/\/+$/, "", u); return u }
function wanted(s) { return CODENAME == "" || s ~ ("^(" CODENAME "|stable)([-/](updates|security))?$") }
function add(types, uris, suites, comps, extra,   t, u, s, nt, nu, ns, i, j, k) {
    nt = split(types, t, " "); nu = split(uris, u, " "); ns = split(suites, s, " ")
    for (i = 1; i <= nt; i++) {
        if (t[i] == "deb-src") {
            for (j = 1; j <= nu; j++) for (k = 1; k <= ns; k++) have[norm(u[j]) " " s[k]] = 1
        } else if (t[i] == "deb") {
            n++; e_uris[n] = uris; e_suites[n] = suites; e_comps[n] = comps; e_extra[n] = extra
        }
    }
}
function flush() {
    if (p_types != "" && tolower(p_enabled) != "no") add(p_types, p_uris, p_suites, p_comps, p_extra)
    p_types = p_uris = p_suites = p_comps = p_extra = p_enabled = ""; field = ""
}
FNR == 1 { flush(); deb822 = FILENAME ~ /\.sources$/ }
deb822 && /^[ \t]*#/ { next }
deb822 && /^[ \t]*$/ { flush(); next }
deb822 && /^[ \t]/ { if (field == "extra") p_extra = p_extra "\n" $0; next }
deb822 {
    name = $0; sub(/:.*/, "", name); value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
    key = tolower(name); field = ""
    if (key == "types") p_types = value
    else if (key == "uris") p_uris = value
    else if (key == "suites") p_suites = value
    else if (key == "components") p_comps = value
    else if (key == "enabled") p_enabled = value
    else if (key != "architectures" && key != "languages" && key != "targets") {
        p_extra = p_extra (p_extra == "" ? "" : "\n") name ": " value; field = "extra"
    }
    next
}
{
    line = $0; sub(/#.*/, "", line)
    if (split(line, w, " ") < 3 || (w[1] != "deb" && w[1] != "deb-src")) next
    type = w[1]; opts = ""
    rest = line; sub(/^[ \t]*deb(-src)?[ \t]+/, "", rest)
    if (rest ~ /^\[/) { opts = rest; sub(/\].*/, "", opts); sub(/^\[/, "", opts); sub(/^[^]]*\][ \t]*/, "", rest) }
    m = split(rest, w, " ")
    comps = ""; for (i = 3; i <= m; i++) comps = comps (comps == "" ? "" : " ") w[i]
    extra = ""; no = split(opts, o, " ")
    for (i = 1; i <= no; i++) {
        k = o[i]; v = k; sub(/[-+]?=.*/, "", k); sub(/^[^=]*=/, "", v)
        if (k == "arch" || k == "lang" || k == "target") continue
        gsub(/,/, " ", v)
        extra = extra (extra == "" ? "" : "\n") k ": " v
    }
    add(type, w[1], w[2], comps, extra)
}
END {
    flush()
    for (i = 1; i <= n; i++) {
        nu = split(e_uris[i], u, " "); ns = split(e_suites[i], s, " ")
        for (j = 1; j <= nu; j++) {
            suites = ""
            for (k = 1; k <= ns; k++)
                if (wanted(s[k]) && !((norm(u[j]) " " s[k]) in have)) {
                    suites = suites (suites == "" ? "" : " ") s[k]; have[norm(u[j]) " " s[k]] = 1
                }
            if (suites == "") continue
            printf "%sTypes: deb-src\nURIs: %s\nSuites: %s\n", (out++ ? "\n" : ""), u[j], suites
            if (e_comps[i] != "") printf "Components: %s\n", e_comps[i]
            if (e_extra[i] != "") printf "%s\n", e_extra[i]
        }
    }
}
