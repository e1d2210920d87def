#!/bin/sh
# Estimates a transform of the recognizer's acoustic model from synthesized
# adaptation speech (voices the listening benchmark never reports, noise seeds it
# never uses): features computed with the model's own settings, Baum-Welch
# statistics over the model, one global MLLR transform of the means solved from
# them, and the MAP-adapted means, variances and mixture weights beside it.
# Measure it with
#   bench_listening --adaptation WORK_DIR/mllr_matrix
#   bench_listening --acoustic-model WORK_DIR/map
# (see bench/listening/calibration.md; none of them is shipped).
#
#   bench/listening/adapt/make-transform.sh [BUILD_DIR] [WORK_DIR] [COUNT] [VOICES]
#
# Needs, besides the build's own packages: sphinxtrain (bw, mllr_solve),
# sphinxbase-utils (sphinx_fe), pocketsphinx (pocketsphinx_mdef_convert),
# python3-numpy, festival and festvox-kdlpc16k (the "ked" voice):
#   apt-get install sphinxtrain sphinxbase-utils pocketsphinx python3-numpy \
#       festival festvox-kdlpc16k
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
work=${2:-build/listening-adaptation}
count=${3:-2400}
voices=${4:-}
model=/usr/share/pocketsphinx/model/en-us/en-us
train=/usr/lib/sphinxtrain

cmake --build "$build" --target listening_adaptation_data
mkdir -p "$work"
work=$(cd "$work" && pwd)
"$build/bench/listening/listening_adaptation_data" "$work/data" --count "$count" \
    ${voices:+--voices "$voices"}

cd "$work/data"
sphinx_fe -argfile "$model/feat.params" -samprate 16000 -c adapt.fileids -di . -do . \
    -ei wav -eo mfc -mswav yes -remove_silence no >"$work/sphinx_fe.log" 2>&1

# The training tools read the model definition in text and the mixture weights
# uncompressed; the distribution ships neither.
mkdir -p "$work/model"
pocketsphinx_mdef_convert -text "$model/mdef" "$work/model/mdef.txt" >/dev/null 2>&1
cp "$model/means" "$model/variances" "$model/transition_matrices" "$model/noisedict" \
    "$work/model/"
/usr/bin/python3 "$here/sendump_to_mixw.py" "$model/sendump" "$work/model/mixture_weights"

# Features as the model was trained on them and as the recognizer computes them:
# normalized over the whole utterance.
"$train/bw" -hmmdir "$work/model" -moddeffn "$work/model/mdef.txt" -ts2cbfn .ptm. \
    -feat 1s_c_d_dd -svspec 0-12/13-25/26-38 -cmn batch -agc none \
    -dictfn adapt.dict -fdictfn "$work/model/noisedict" -ctlfn adapt.fileids \
    -lsnfn adapt.transcription -cepdir . -cepext mfc -accumdir "$work" >"$work/bw.log" 2>&1
"$train/mllr_solve" -meanfn "$work/model/means" -varfn "$work/model/variances" \
    -outmllrfn "$work/mllr_matrix" -accumdir "$work" >"$work/mllr_solve.log" 2>&1
# MAP: the model's own parameters moved toward the adaptation data, as a model
# directory of its own (the model definition and the rest linked).
mkdir -p "$work/map"
"$train/map_adapt" -moddeffn "$work/model/mdef.txt" -ts2cbfn .ptm. \
    -meanfn "$work/model/means" -varfn "$work/model/variances" \
    -mixwfn "$work/model/mixture_weights" -tmatfn "$work/model/transition_matrices" \
    -accumdir "$work" -mapmeanfn "$work/map/means" -mapvarfn "$work/map/variances" \
    -mapmixwfn "$work/map/mixture_weights" -maptmatfn "$work/map/transition_matrices" \
    >"$work/map_adapt.log" 2>&1
for file in mdef feat.params noisedict; do
    ln -sf "$model/$file" "$work/map/$file"
done
echo "MLLR transform: $work/mllr_matrix; MAP-adapted model: $work/map"
