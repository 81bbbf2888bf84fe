"""Every picture of the photo puzzles: its stem, its kind, its source, the
right answer in English, Italian and Spanish, and the pictures that look too
much like it at 400x300 to be offered next to it in one puzzle.

The drawing scripts make_outlines.py, make_constellations.py, make_regions.py
and make_states.py take their lists from here, and add_puzzles.py the names
of the regions it offers; make_photos.py keeps its own list
of flags with their ISO codes, and make_puzzle_manifest.py, which writes
tools/puzzle_photos.json from this file, checks that both flag lists agree and
that every picture exists, so a picture and its answers cannot drift apart. Answers are written in Latin-1 letters the
game's small font has (no capital accented letters, no o with diaeresis) and
fit the 31-byte answer field.
"""

# Flags: (stem, English, Italian, Spanish). The ISO codes live in make_photos.py.
FLAGS = [
    ("italy", "Italy", "Italia", "Italia"),
    ("france", "France", "Francia", "Francia"),
    ("germany", "Germany", "Germania", "Alemania"),
    ("spain", "Spain", "Spagna", "España"),
    ("portugal", "Portugal", "Portogallo", "Portugal"),
    ("ireland", "Ireland", "Irlanda", "Irlanda"),
    ("belgium", "Belgium", "Belgio", "Bélgica"),
    ("netherlands", "Netherlands", "Paesi Bassi", "Países Bajos"),
    ("sweden", "Sweden", "Svezia", "Suecia"),
    ("norway", "Norway", "Norvegia", "Noruega"),
    ("denmark", "Denmark", "Danimarca", "Dinamarca"),
    ("finland", "Finland", "Finlandia", "Finlandia"),
    ("iceland", "Iceland", "Islanda", "Islandia"),
    ("poland", "Poland", "Polonia", "Polonia"),
    ("austria", "Austria", "Austria", "Austria"),
    ("switzerland", "Switzerland", "Svizzera", "Suiza"),
    ("greece", "Greece", "Grecia", "Grecia"),
    ("turkey", "Turkey", "Turchia", "Turquía"),
    ("russia", "Russia", "Russia", "Rusia"),
    ("ukraine", "Ukraine", "Ucraina", "Ucrania"),
    ("czechia", "Czechia", "Repubblica Ceca", "Chequia"),
    ("hungary", "Hungary", "Ungheria", "Hungría"),
    ("romania", "Romania", "Romania", "Rumanía"),
    ("croatia", "Croatia", "Croazia", "Croacia"),
    ("japan", "Japan", "Giappone", "Japón"),
    ("china", "China", "Cina", "China"),
    ("southkorea", "South Korea", "Corea del Sud", "Corea del Sur"),
    ("india", "India", "India", "India"),
    ("pakistan", "Pakistan", "Pakistan", "Pakistán"),
    ("bangladesh", "Bangladesh", "Bangladesh", "Bangladés"),
    ("thailand", "Thailand", "Thailandia", "Tailandia"),
    ("vietnam", "Vietnam", "Vietnam", "Vietnam"),
    ("indonesia", "Indonesia", "Indonesia", "Indonesia"),
    ("philippines", "Philippines", "Filippine", "Filipinas"),
    ("australia", "Australia", "Australia", "Australia"),
    ("newzealand", "New Zealand", "Nuova Zelanda", "Nueva Zelanda"),
    ("canada", "Canada", "Canada", "Canadá"),
    ("usa", "United States", "Stati Uniti", "Estados Unidos"),
    ("mexico", "Mexico", "Messico", "México"),
    ("brazil", "Brazil", "Brasile", "Brasil"),
    ("argentina", "Argentina", "Argentina", "Argentina"),
    ("chile", "Chile", "Cile", "Chile"),
    ("peru", "Peru", "Perù", "Perú"),
    ("colombia", "Colombia", "Colombia", "Colombia"),
    ("venezuela", "Venezuela", "Venezuela", "Venezuela"),
    ("uruguay", "Uruguay", "Uruguay", "Uruguay"),
    ("cuba", "Cuba", "Cuba", "Cuba"),
    ("jamaica", "Jamaica", "Giamaica", "Jamaica"),
    ("southafrica", "South Africa", "Sudafrica", "Sudáfrica"),
    ("nigeria", "Nigeria", "Nigeria", "Nigeria"),
    ("egypt", "Egypt", "Egitto", "Egipto"),
    ("kenya", "Kenya", "Kenya", "Kenia"),
    ("morocco", "Morocco", "Marocco", "Marruecos"),
    ("ethiopia", "Ethiopia", "Etiopia", "Etiopía"),
    ("ghana", "Ghana", "Ghana", "Ghana"),
    ("algeria", "Algeria", "Algeria", "Argelia"),
    ("israel", "Israel", "Israele", "Israel"),
    ("saudiarabia", "Saudi Arabia", "Arabia Saudita", "Arabia Saudí"),
    ("iran", "Iran", "Iran", "Irán"),
    ("lebanon", "Lebanon", "Libano", "Líbano"),
    ("nepal", "Nepal", "Nepal", "Nepal"),
    ("malaysia", "Malaysia", "Malesia", "Malasia"),
    ("singapore", "Singapore", "Singapore", "Singapur"),
    ("mongolia", "Mongolia", "Mongolia", "Mongolia"),
    ("estonia", "Estonia", "Estonia", "Estonia"),
    ("latvia", "Latvia", "Lettonia", "Letonia"),
]

# Look-alikes are pictures too easily taken for one another at 400x300 (the
# same colours in the same pattern), so that offering
# one next to the other asks a player to tell a shade or a stripe's width
# apart. No two of them are offered in one puzzle, as right or wrong answers.
# Pictures that merely resemble each other (Italy and Ireland, Chile and
# Norway, Ursa Major and Ursa Minor) make fair wrong answers and are not
# listed. Some flags are alike to flags that have no picture here; their
# names are listed so that they are not offered next to them either.
FLAG_LOOKALIKES = [
    ["austria", "latvia"],
    ["australia", "newzealand"],
]
FLAG_TWINS_WITHOUT_PICTURE = {
    "indonesia": [("Monaco", "Monaco", "Mónaco")],
    "romania": [("Chad", "Ciad", "Chad")],
    "netherlands": [("Luxembourg", "Lussemburgo", "Luxemburgo")],
    "colombia": [("Ecuador", "Ecuador", "Ecuador")],
}

# Country outlines from Natural Earth: (stem, Natural Earth name, English,
# Italian, Spanish). Stems carry the prefix "shape-" so they never clash with
# the flag of the same country.
OUTLINES = [
    ("shape-italy", "Italy", "Italy", "Italia", "Italia"),
    ("shape-chile", "Chile", "Chile", "Cile", "Chile"),
    ("shape-japan", "Japan", "Japan", "Giappone", "Japón"),
    ("shape-uk", "United Kingdom", "United Kingdom", "Regno Unito", "Reino Unido"),
    ("shape-india", "India", "India", "India", "India"),
    ("shape-australia", "Australia", "Australia", "Australia", "Australia"),
    ("shape-brazil", "Brazil", "Brazil", "Brasile", "Brasil"),
    ("shape-usa", "United States of America", "United States", "Stati Uniti", "Estados Unidos"),
    ("shape-france", "France", "France", "Francia", "Francia"),
    ("shape-spain", "Spain", "Spain", "Spagna", "España"),
    ("shape-portugal", "Portugal", "Portugal", "Portogallo", "Portugal"),
    ("shape-greece", "Greece", "Greece", "Grecia", "Grecia"),
    ("shape-norway", "Norway", "Norway", "Norvegia", "Noruega"),
    ("shape-sweden", "Sweden", "Sweden", "Svezia", "Suecia"),
    ("shape-finland", "Finland", "Finland", "Finlandia", "Finlandia"),
    ("shape-iceland", "Iceland", "Iceland", "Islanda", "Islandia"),
    ("shape-ireland", "Ireland", "Ireland", "Irlanda", "Irlanda"),
    ("shape-mexico", "Mexico", "Mexico", "Messico", "México"),
    ("shape-argentina", "Argentina", "Argentina", "Argentina", "Argentina"),
    ("shape-egypt", "Egypt", "Egypt", "Egitto", "Egipto"),
    ("shape-southafrica", "South Africa", "South Africa", "Sudafrica", "Sudáfrica"),
    ("shape-madagascar", "Madagascar", "Madagascar", "Madagascar", "Madagascar"),
    ("shape-newzealand", "New Zealand", "New Zealand", "Nuova Zelanda", "Nueva Zelanda"),
    ("shape-china", "China", "China", "Cina", "China"),
    ("shape-russia", "Russia", "Russia", "Russia", "Rusia"),
    ("shape-canada", "Canada", "Canada", "Canada", "Canadá"),
    ("shape-turkey", "Turkey", "Turkey", "Turchia", "Turquía"),
    ("shape-cuba", "Cuba", "Cuba", "Cuba", "Cuba"),
    ("shape-srilanka", "Sri Lanka", "Sri Lanka", "Sri Lanka", "Sri Lanka"),
    ("shape-vietnam", "Vietnam", "Vietnam", "Vietnam", "Vietnam"),
    ("shape-thailand", "Thailand", "Thailand", "Thailandia", "Tailandia"),
    ("shape-philippines", "Philippines", "Philippines", "Filippine", "Filipinas"),
    ("shape-indonesia", "Indonesia", "Indonesia", "Indonesia", "Indonesia"),
    ("shape-southkorea", "South Korea", "South Korea", "Corea del Sud", "Corea del Sur"),
    ("shape-germany", "Germany", "Germany", "Germania", "Alemania"),
    ("shape-poland", "Poland", "Poland", "Polonia", "Polonia"),
    ("shape-peru", "Peru", "Peru", "Perù", "Perú"),
    ("shape-croatia", "Croatia", "Croatia", "Croazia", "Croacia"),
    ("shape-denmark", "Denmark", "Denmark", "Danimarca", "Dinamarca"),
    ("shape-austria", "Austria", "Austria", "Austria", "Austria"),
]

OUTLINE_LOOKALIKES = []

# Constellations from d3-celestial: (stem, IAU abbreviation, English, Italian,
# Spanish). The game's small font has no capital A with acute accent, so the
# Spanish answer for Aquila keeps the Latin name, which Spanish also uses.
CONSTELLATIONS = [
    ("stars-orion", "Ori", "Orion", "Orione", "Orión"),
    ("stars-ursamajor", "UMa", "Ursa Major", "Orsa Maggiore", "Osa Mayor"),
    ("stars-ursaminor", "UMi", "Ursa Minor", "Orsa Minore", "Osa Menor"),
    ("stars-cassiopeia", "Cas", "Cassiopeia", "Cassiopea", "Casiopea"),
    ("stars-cygnus", "Cyg", "Cygnus", "Cigno", "Cisne"),
    ("stars-scorpius", "Sco", "Scorpius", "Scorpione", "Escorpio"),
    ("stars-leo", "Leo", "Leo", "Leone", "Leo"),
    ("stars-crux", "Cru", "Crux", "Croce del Sud", "Cruz del Sur"),
    ("stars-lyra", "Lyr", "Lyra", "Lira", "Lira"),
    ("stars-gemini", "Gem", "Gemini", "Gemelli", "Géminis"),
    ("stars-taurus", "Tau", "Taurus", "Toro", "Tauro"),
    ("stars-canismajor", "CMa", "Canis Major", "Cane Maggiore", "Can Mayor"),
    ("stars-aquila", "Aql", "Aquila", "Aquila", "Aquila"),
    ("stars-perseus", "Per", "Perseus", "Perseo", "Perseo"),
    ("stars-sagittarius", "Sgr", "Sagittarius", "Sagittario", "Sagitario"),
    ("stars-pegasus", "Peg", "Pegasus", "Pegaso", "Pegaso"),
    ("stars-andromeda", "And", "Andromeda", "Andromeda", "Andrómeda"),
    ("stars-bootes", "Boo", "Bootes", "Boote", "Boyero"),
]

# Each figure is scaled to fill the frame, so the four stars of the Southern
# Cross and the five of the Northern Cross (Cygnus) draw the same cross.
CONSTELLATION_LOOKALIKES = [
    ["stars-cygnus", "stars-crux"],
]

# Regions of Italy from @svg-maps/italy: (stem, map id, English, Italian, Spanish).
REGIONS_IT = [
    ("it-abruzzo", "abruzzo", "Abruzzo", "Abruzzo", "Abruzos"),
    ("it-aosta-valley", "aosta-valley", "Aosta Valley", "Valle d'Aosta", "Valle de Aosta"),
    ("it-apulia", "apulia", "Apulia", "Puglia", "Apulia"),
    ("it-basilicata", "basilicata", "Basilicata", "Basilicata", "Basilicata"),
    ("it-calabria", "calabria", "Calabria", "Calabria", "Calabria"),
    ("it-campania", "campania", "Campania", "Campania", "Campania"),
    ("it-emilia-romagna", "emilia-romagna", "Emilia-Romagna", "Emilia-Romagna", "Emilia-Romaña"),
    ("it-friuli-venezia-giulia", "friuli-venezia-giulia", "Friuli-Venezia Giulia",
     "Friuli-Venezia Giulia", "Friuli-Venecia Julia"),
    ("it-lazio", "lazio", "Lazio", "Lazio", "Lacio"),
    ("it-liguria", "liguria", "Liguria", "Liguria", "Liguria"),
    ("it-lombardy", "lombardy", "Lombardy", "Lombardia", "Lombardía"),
    ("it-marche", "marche", "Marche", "Marche", "Marcas"),
    ("it-molise", "molise", "Molise", "Molise", "Molise"),
    ("it-piedmont", "piedmont", "Piedmont", "Piemonte", "Piamonte"),
    ("it-sardinia", "sardinia", "Sardinia", "Sardegna", "Cerdeña"),
    ("it-sicily", "sicily", "Sicily", "Sicilia", "Sicilia"),
    ("it-trentino-south-tyrol", "trentino-south-tyrol", "Trentino-South Tyrol",
     "Trentino-Alto Adige", "Trentino-Alto Adigio"),
    ("it-tuscany", "tuscany", "Tuscany", "Toscana", "Toscana"),
    ("it-umbria", "umbria", "Umbria", "Umbria", "Umbria"),
    ("it-veneto", "veneto", "Veneto", "Veneto", "Véneto"),
]

# Autonomous communities of Spain from @svg-maps/spain (the package leaves out
# the autonomous cities of Ceuta and Melilla).
REGIONS_ES = [
    ("es-andalusia", "andalusia", "Andalusia", "Andalusia", "Andalucía"),
    ("es-aragon", "aragon", "Aragon", "Aragona", "Aragón"),
    ("es-asturias", "asturias", "Asturias", "Asturie", "Asturias"),
    ("es-balearic-islands", "balearic-islands", "Balearic Islands", "Isole Baleari", "Islas Baleares"),
    ("es-basque-country", "basque-country", "Basque Country", "Paesi Baschi", "País Vasco"),
    ("es-canary-islands", "canary-islands", "Canary Islands", "Isole Canarie", "Canarias"),
    ("es-cantabria", "cantabria", "Cantabria", "Cantabria", "Cantabria"),
    ("es-castile-and-leon", "castile-and-leon", "Castile and León", "Castiglia e León", "Castilla y León"),
    ("es-castile-la-mancha", "castile-la-mancha", "Castile-La Mancha", "Castiglia-La Mancia",
     "Castilla-La Mancha"),
    ("es-catalonia", "catalonia", "Catalonia", "Catalogna", "Cataluña"),
    ("es-extremadura", "extremadura", "Extremadura", "Estremadura", "Extremadura"),
    ("es-galicia", "galicia", "Galicia", "Galizia", "Galicia"),
    ("es-la-rioja", "la-rioja", "La Rioja", "La Rioja", "La Rioja"),
    ("es-madrid", "madrid", "Community of Madrid", "Comunità di Madrid", "Comunidad de Madrid"),
    ("es-murcia", "murcia", "Region of Murcia", "Regione di Murcia", "Región de Murcia"),
    ("es-navarre", "navarre", "Navarre", "Navarra", "Navarra"),
    ("es-valencia", "valencia", "Valencian Community", "Comunità Valenciana", "Comunidad Valenciana"),
]

# The fifty states of the United States from the npm package us-atlas (the
# Census Bureau's boundaries as TopoJSON): (stem, name in the atlas, English,
# Italian, Spanish). The District of Columbia is left out.
REGIONS_US = [
    ("us-alabama", "Alabama", "Alabama", "Alabama", "Alabama"),
    ("us-alaska", "Alaska", "Alaska", "Alaska", "Alaska"),
    ("us-arizona", "Arizona", "Arizona", "Arizona", "Arizona"),
    ("us-arkansas", "Arkansas", "Arkansas", "Arkansas", "Arkansas"),
    ("us-california", "California", "California", "California", "California"),
    ("us-colorado", "Colorado", "Colorado", "Colorado", "Colorado"),
    ("us-connecticut", "Connecticut", "Connecticut", "Connecticut", "Connecticut"),
    ("us-delaware", "Delaware", "Delaware", "Delaware", "Delaware"),
    ("us-florida", "Florida", "Florida", "Florida", "Florida"),
    ("us-georgia", "Georgia", "Georgia", "Georgia", "Georgia"),
    ("us-hawaii", "Hawaii", "Hawaii", "Hawaii", "Hawái"),
    ("us-idaho", "Idaho", "Idaho", "Idaho", "Idaho"),
    ("us-illinois", "Illinois", "Illinois", "Illinois", "Illinois"),
    ("us-indiana", "Indiana", "Indiana", "Indiana", "Indiana"),
    ("us-iowa", "Iowa", "Iowa", "Iowa", "Iowa"),
    ("us-kansas", "Kansas", "Kansas", "Kansas", "Kansas"),
    ("us-kentucky", "Kentucky", "Kentucky", "Kentucky", "Kentucky"),
    ("us-louisiana", "Louisiana", "Louisiana", "Louisiana", "Luisiana"),
    ("us-maine", "Maine", "Maine", "Maine", "Maine"),
    ("us-maryland", "Maryland", "Maryland", "Maryland", "Maryland"),
    ("us-massachusetts", "Massachusetts", "Massachusetts", "Massachusetts", "Massachusetts"),
    ("us-michigan", "Michigan", "Michigan", "Michigan", "Míchigan"),
    ("us-minnesota", "Minnesota", "Minnesota", "Minnesota", "Minnesota"),
    ("us-mississippi", "Mississippi", "Mississippi", "Mississippi", "Misisipi"),
    ("us-missouri", "Missouri", "Missouri", "Missouri", "Misuri"),
    ("us-montana", "Montana", "Montana", "Montana", "Montana"),
    ("us-nebraska", "Nebraska", "Nebraska", "Nebraska", "Nebraska"),
    ("us-nevada", "Nevada", "Nevada", "Nevada", "Nevada"),
    ("us-new-hampshire", "New Hampshire", "New Hampshire", "New Hampshire", "Nuevo Hampshire"),
    ("us-new-jersey", "New Jersey", "New Jersey", "New Jersey", "Nueva Jersey"),
    ("us-new-mexico", "New Mexico", "New Mexico", "Nuovo Messico", "Nuevo México"),
    ("us-new-york", "New York", "New York", "New York", "Nueva York"),
    ("us-north-carolina", "North Carolina", "North Carolina", "Carolina del Nord", "Carolina del Norte"),
    ("us-north-dakota", "North Dakota", "North Dakota", "Dakota del Nord", "Dakota del Norte"),
    ("us-ohio", "Ohio", "Ohio", "Ohio", "Ohio"),
    ("us-oklahoma", "Oklahoma", "Oklahoma", "Oklahoma", "Oklahoma"),
    ("us-oregon", "Oregon", "Oregon", "Oregon", "Oregón"),
    ("us-pennsylvania", "Pennsylvania", "Pennsylvania", "Pennsylvania", "Pensilvania"),
    ("us-rhode-island", "Rhode Island", "Rhode Island", "Rhode Island", "Rhode Island"),
    ("us-south-carolina", "South Carolina", "South Carolina", "Carolina del Sud", "Carolina del Sur"),
    ("us-south-dakota", "South Dakota", "South Dakota", "Dakota del Sud", "Dakota del Sur"),
    ("us-tennessee", "Tennessee", "Tennessee", "Tennessee", "Tennessee"),
    ("us-texas", "Texas", "Texas", "Texas", "Texas"),
    ("us-utah", "Utah", "Utah", "Utah", "Utah"),
    ("us-vermont", "Vermont", "Vermont", "Vermont", "Vermont"),
    ("us-virginia", "Virginia", "Virginia", "Virginia", "Virginia"),
    ("us-washington", "Washington", "Washington", "Washington", "Washington"),
    ("us-west-virginia", "West Virginia", "West Virginia", "Virginia Occidentale", "Virginia Occidental"),
    ("us-wisconsin", "Wisconsin", "Wisconsin", "Wisconsin", "Wisconsin"),
    ("us-wyoming", "Wyoming", "Wyoming", "Wyoming", "Wyoming"),
]

# Every region is shown highlighted inside its whole country, so none looks
# like another.
REGION_LOOKALIKES = []


def _lookalikes(groups):
    """Stem -> sorted stems that share a look-alike group with it."""
    table = {}
    for group in groups:
        for stem in group:
            table.setdefault(stem, set()).update(s for s in group if s != stem)
    return {stem: sorted(others) for stem, others in table.items()}


def entries():
    """One manifest entry per picture, flags first, in a fixed order. An
    entry may also carry "confusable_answers": names, per language, of things
    without a picture here that look the same (a flag's twin)."""
    kinds = [
        ("flag", [(s, e, i, p) for s, e, i, p in FLAGS], FLAG_LOOKALIKES),
        ("outline", [(s, e, i, p) for s, _, e, i, p in OUTLINES], OUTLINE_LOOKALIKES),
        ("constellation", [(s, e, i, p) for s, _, e, i, p in CONSTELLATIONS], CONSTELLATION_LOOKALIKES),
        ("region-it", [(s, e, i, p) for s, _, e, i, p in REGIONS_IT], REGION_LOOKALIKES),
        ("region-es", [(s, e, i, p) for s, _, e, i, p in REGIONS_ES], REGION_LOOKALIKES),
        ("region-us", [(s, e, i, p) for s, _, e, i, p in REGIONS_US], REGION_LOOKALIKES),
    ]
    result = []
    for kind, rows, groups in kinds:
        alike = _lookalikes(groups)
        for stem, eng, ita, spa in rows:
            entry = {"stem": stem, "kind": kind,
                     "answer": {"eng": eng, "ita": ita, "spa": spa},
                     "confusable_with": alike.get(stem, [])}
            twins = FLAG_TWINS_WITHOUT_PICTURE.get(stem) if kind == "flag" else None
            if twins:
                entry["confusable_answers"] = {lang: [t[i] for t in twins]
                                               for i, lang in enumerate(("eng", "ita", "spa"))}
            result.append(entry)
    return result
