#!/usr/bin/python3
"""Writes NBSMasterTaxonList_PhaseII.csv, the demonstration master taxon list.

The taxon names are real diatom species; every code, score and flag is invented here
(a fixed pseudo-random sequence, so the file is the same on every run). Run with Debian's
/usr/bin/python3 from any folder:  /usr/bin/python3 make_demo_taxa.py
"""

import os

GENERA = [
    ("Achnanthidium", "minutissimum affine biasolettianum pyrenaicum eutrophilum saprophilum subatomus lineare exiguum catenatum jackii rivulare straubianum gracillimum kranzii"),
    ("Achnanthes", "coarctata inflata"),
    ("Actinella", "punctata"),
    ("Adlafia", "minuscula bryophila"),
    ("Amphipleura", "pellucida"),
    ("Amphora", "pediculus ovalis copulata inariensis indistincta libyca"),
    ("Anomoeoneis", "sphaerophora"),
    ("Asterionella", "formosa ralfsii"),
    ("Aulacoseira", "granulata ambigua italica distans subarctica alpigena islandica"),
    ("Bacillaria", "paxillifera"),
    ("Brachysira", "vitrea neoexilis microcephala brebissonii serians styriaca"),
    ("Caloneis", "bacillum silicula amphisbaena molaris"),
    ("Cavinula", "cocconeiformis pseudoscutiformis"),
    ("Chamaepinnularia", "mediocris soehrensis"),
    ("Cocconeis", "placentula pediculus neothumensis euglypta lineata pseudolineata neodiminuta"),
    ("Craticula", "cuspidata accomoda halophila buderi molestiformis"),
    ("Cyclostephanos", "dubius invisitatus"),
    ("Cyclotella", "meneghiniana ocellata atomus distinguenda"),
    ("Cymatopleura", "solea elliptica"),
    ("Cymbella", "affinis cistula aspera helvetica lanceolata tumida neocistula excisa compacta"),
    ("Cymbopleura", "naviculiformis inaequalis amphicephala"),
    ("Denticula", "tenuis kuetzingii"),
    ("Diadesmis", "contenta gallica"),
    ("Diatoma", "vulgaris moniliformis mesodon tenuis ehrenbergii hyemalis"),
    ("Didymosphenia", "geminata"),
    ("Diploneis", "elliptica oblongella ovalis parma"),
    ("Discostella", "pseudostelligera stelligera"),
    ("Ellerbeckia", "arenaria"),
    ("Encyonema", "minutum silesiacum ventricosum caespitosum prostratum reichardtii neogracile"),
    ("Encyonopsis", "microcephala minuta subminuta cesatii"),
    ("Entomoneis", "paludosa ornata"),
    ("Eolimna", "minima"),
    ("Epithemia", "adnata sorex turgida argus"),
    ("Eucocconeis", "laevis flexella"),
    ("Eunotia", "bilunaris exigua implicata incisa minor pectinalis formica arcus paludosa rhomboidea subarcuatoides tenella intermedia praerupta naegelii botuliformis meisteri soleirolii arcubus diodon serra"),
    ("Fallacia", "pygmaea subhamulata tenera lenzii monoculata"),
    ("Fistulifera", "saprophila pelliculosa"),
    ("Fragilaria", "capucina gracilis vaucheriae crotonensis rumpens perminuta pararumpens radians tenera mesolepta famelica recapitellata"),
    ("Frustulia", "rhomboides vulgaris saxonica crassinervia krammeri"),
    ("Geissleria", "decussis acceptata"),
    ("Gomphoneis", "minuta"),
    ("Gomphonema", "parvulum olivaceum pumilum truncatum acuminatum angustatum clavatum gracile micropus minutum exilissimum italicum lateripunctatum pseudoaugur tergestinum elegantissimum innocens rhombicum calcifugum sarcophagus acutiusculum augur"),
    ("Gyrosigma", "acuminatum attenuatum nodiferum sciotoense"),
    ("Hannaea", "arcus"),
    ("Hantzschia", "amphioxys abundans"),
    ("Hippodonta", "capitata costulata hungarica"),
    ("Karayevia", "clevei ploenensis laterostrata"),
    ("Kobayasiella", "subtilissima micropunctata"),
    ("Lemnicola", "hungarica"),
    ("Lindavia", "radiosa comta bodanica"),
    ("Luticola", "mutica goeppertiana nivalis ventricosa"),
    ("Mayamaea", "permitis atomus fossalis"),
    ("Melosira", "varians nummuloides"),
    ("Meridion", "circulare"),
    ("Microcostatus", "krasskei"),
    ("Navicula", "lanceolata cryptocephala gregaria tripunctata radiosa rhynchocephala capitatoradiata reichardtiana cryptotenella veneta trivialis viridula antonii cincta menisculus upsaliensis exilis tenelloides angusta oblonga vilaplanii germainii recens wiesneri striolata simulata moskalii schroeteri libonensis slesvicensis"),
    ("Neidium", "affine ampliatum dubium iridis productum"),
    ("Nitzschia", "palea dissipata fonticola inconspicua linearis sociabilis amphibia acicularis capitellata frustulum gracilis recta sigmoidea archibaldii pusilla supralitorea umbonata paleacea intermedia heufleriana lacuum solgensis tubicola hantzschiana angustata sinuata vermicularis filiformis microcephala perminuta liebetruthii communis"),
    ("Nupela", "lapidosa"),
    ("Orthoseira", "roeseana"),
    ("Peronia", "fibula"),
    ("Pinnularia", "viridis subcapitata microstauron borealis gibba major nodosa obscura appendiculata interrupta divergens rupestris sudetica"),
    ("Placoneis", "elginensis clementis placentula"),
    ("Planothidium", "lanceolatum frequentissimum rostratum delicatulum dubium granum victorii"),
    ("Psammothidium", "subatomoides helveticum bioretii marginulatum chlidanos levanderi rossii lauenburgianum grischunum"),
    ("Pseudostaurosira", "brevistriata parasitica elliptica"),
    ("Punctastriata", "lancettula"),
    ("Reimeria", "sinuata uniseriata"),
    ("Rhoicosphenia", "abbreviata"),
    ("Rhopalodia", "gibba operculata"),
    ("Sellaphora", "pupula seminulum bacillum stroemii atomoides nigri joubaudii saugerresii"),
    ("Stauroneis", "anceps phoenicenteron smithii kriegeri thermicola"),
    ("Staurosira", "construens venter binodis"),
    ("Staurosirella", "pinnata leptostauron lapponica"),
    ("Stenopterobia", "curvula delicatissima"),
    ("Stephanodiscus", "hantzschii parvus neoastraea minutulus medius"),
    ("Surirella", "angusta brebissonii minuta ovalis robusta splendida tenera biseriata"),
    ("Tabellaria", "flocculosa fenestrata quadriseptata"),
    ("Tabularia", "fasciculata"),
    ("Thalassiosira", "pseudonana weissflogii lacustris"),
    ("Tryblionella", "angustata apiculata hungarica levidensis debilis"),
    ("Ulnaria", "ulna acus biceps delicatissima"),
    ("Urosolenia", "eriensis"),
]

# Names spelled out in full, with a variety and its authority, to carry non-ASCII text.
EXTRA = ["Fragilaria capucina var. rumpens Kütz.", "Cocconeis placentula var. euglypta (Ehrenb.) Grunow"]

PLANKTIC = {"Asterionella", "Aulacoseira", "Cyclostephanos", "Cyclotella", "Discostella", "Lindavia",
            "Stephanodiscus", "Thalassiosira", "Urosolenia"}
MOTILE = {"Bacillaria", "Craticula", "Cymatopleura", "Fallacia", "Gyrosigma", "Hantzschia", "Navicula",
          "Nitzschia", "Sellaphora", "Surirella", "Tryblionella", "Mayamaea", "Luticola", "Stauroneis",
          "Pinnularia", "Neidium", "Caloneis", "Hippodonta", "Geissleria", "Placoneis", "Entomoneis"}
ORGANIC = {"Mayamaea", "Fistulifera", "Eolimna", "Sellaphora", "Luticola", "Craticula"}
SALINE = {"Bacillaria", "Entomoneis", "Tabularia", "Tryblionella", "Diploneis"}
# Genera of acid, nutrient-poor waters: low trophic scores, high acidification scores.
ACID = {"Eunotia", "Frustulia", "Tabellaria", "Brachysira", "Actinella", "Peronia", "Kobayasiella",
        "Stenopterobia", "Chamaepinnularia", "Psammothidium", "Pinnularia"}


class Sequence:
    """A fixed linear congruential sequence, the same in every Python version."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        return (self.state >> 33) / float(1 << 31)


def clamp_score(value):
    return max(1, min(5, int(round(value))))


def main():
    rng = Sequence(20240101)
    taxa = []
    for genus, species in GENERA:
        for name in species.split():
            taxa.append((genus, genus + " " + name))
    taxa.insert(0, ("Fragilaria", EXTRA[0]))
    taxa.append(("Cocconeis", EXTRA[1]))

    lines = ["NBNCode:text(16),TaxonCode:text(6),TaxonName:text(120),TDI3:double,TDI4:double,"
             "LTDI1:double,LTDI2:double,DAM:double,Motile:boolean,OrganicTolerant:boolean,"
             "Planktic:boolean,Saline:boolean"]
    for index, (genus, name) in enumerate(taxa, start=1):
        nbn = "NBNSYS90%08d" % (10000 + 7 * index)
        own = "%s%03d%s" % (genus[:2].upper(), index % 1000, "AB"[index // 1000])
        trophic_base = 1.5 if genus in ACID else 2.0 + 2.5 * rng.next()
        scores = []
        for offset in (0.0, 0.3, -0.2, 0.2):
            scores.append(clamp_score(trophic_base + offset + rng.next() - 0.5))
        dam = clamp_score((4.5 if genus in ACID else 2.0) + 1.5 * rng.next() - 0.5)
        scores.append(dam)
        fields = ["%d" % s for s in scores]
        roll = rng.next()
        if index % 61 == 0:          # a few taxa carry no score at all
            fields = ["", "0", "", "0", ""]
        elif roll < 0.10:            # some lack a lake score (empty: NULL)
            fields[2] = ""
            fields[3] = ""
        elif roll < 0.16:            # some carry 0, which counts as no score
            fields[1] = "0"
            fields[4] = "0"
        elif roll < 0.20:
            fields[4] = ""
        flags = [genus in MOTILE, genus in ORGANIC or (rng.next() < 0.05), genus in PLANKTIC or
                 name.endswith("crotonensis") or name.endswith("fenestrata"), genus in SALINE]
        flag_texts = ["true" if f else "false" for f in flags]
        lines.append(",".join([nbn, own, name] + fields + flag_texts))

    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "NBSMasterTaxonList_PhaseII.csv"), "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    print("%d taxa" % len(taxa))


if __name__ == "__main__":
    main()
