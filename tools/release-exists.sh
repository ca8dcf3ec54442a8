#!/usr/bin/env bash
# Fails, naming it, if the repository has a release for the tag already, published or draft
# (GitHub lets several drafts share a tag, so a job run again would add another beside it).
# The release workflow's draft job runs it just before it creates the draft (only a token that
# may write sees drafts); its concurrency group keeps two runs for one tag from passing it
# together.
# Usage: GH_REPO=OWNER/NAME tools/release-exists.sh TAG   (with gh signed in, or GH_TOKEN set)
set -euo pipefail
usage="Usage: GH_REPO=OWNER/NAME tools/release-exists.sh TAG"
case ${1:-} in
    -h | --help) echo "$usage"; exit 0 ;;
    -*) echo "$usage" >&2; exit 2 ;;
esac
[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
: "${GH_REPO:?names no repository (OWNER/NAME)}"
tag=$1
existing=$(gh api "repos/$GH_REPO/releases" --paginate --jq ".[] | select(.tag_name == \"$tag\")
    | (if .draft then \"a draft release, \" else \"a published release, \" end) + .html_url")
if [ -n "$existing" ]; then
    echo "release-exists: the tag $tag has $existing" >&2
    echo "release-exists: nothing was replaced. Delete that release first to make it again," \
        "or release a new version." >&2
    exit 1
fi
echo "No release for $tag yet."
